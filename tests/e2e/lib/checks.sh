# The e2e scripts' checks, sourced: `check NAME RESULT` counts a 0 result as passed and prints
# a line either way; `ok TEST-ARGS...` turns a [ ] test into that result. The scripts print
# "$passed passed, $failed failed" at the end and exit non-zero on a failure.
passed=0 failed=0
check() {  # check NAME CONDITION-RESULT
  if [ "$2" = 0 ]; then passed=$((passed + 1)); echo "ok   $1"; else failed=$((failed + 1)); echo "FAIL $1"; fi
}
ok() { [ "$@" ]; echo $?; }
