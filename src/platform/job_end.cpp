#include "platform/job_end.h"

namespace resolaunch {

bool WaitForEmptyJob(JobPort& port) {
    for (;;) {
        switch (port.Next(kQuietJobPortCheck)) {
        case JobPortEvent::NoProcessLeft:
            return true;
        case JobPortEvent::Stop:
            return false;
        case JobPortEvent::Quiet:
            if (port.Empty()) {
                return true;
            }
            break;
        case JobPortEvent::Other:
            break;
        }
    }
}

}  // namespace resolaunch
