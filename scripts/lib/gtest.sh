# shellcheck shell=bash
# Sourced by the scripts that run GoogleTest programs.
#
#   gtest_counts XML
#
# Prints "PASSED FAILED SKIPPED" as counted in GoogleTest's XML report XML: a
# case with a <failure> failed, also the nameless case that holds a failure
# outside any test. Fails, printing nothing, when the report is missing or
# incomplete (the program did not end normally).
gtest_counts() {
  local xml=$1
  [ -s "$xml" ] && grep -q '</testsuites>' "$xml" || return 1
  awk '
    function finish() {
      if (failure) failed++; else if (skip) skipped++; else passed++
      open_case = 0
    }
    /<testcase / {
      open_case = 1; failure = 0
      skip = ($0 ~ /result="skipped"/ || $0 ~ /status="notrun"/)
      if ($0 ~ /\/>[[:space:]]*$/) finish()
      next
    }
    open_case && /<failure/ { failure = 1 }
    open_case && /<\/testcase>/ { finish() }
    END { print passed + 0, failed + 0, skipped + 0 }
  ' "$xml"
}
