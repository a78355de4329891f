#!/bin/bash
# Runs Debian's package checker on the package made for the tests: any error
# or warning fails, and so does any other line it prints. An override would
# be shipped in the package with a comment that explains it; none is needed.
set -euo pipefail

deb=$(ls "$1"/klavet_*.deb)
# As root, lintian says on standard error that it would rather not run so;
# that notice is not about the package, so standard output alone is judged.
status=0
report=$(lintian --fail-on error,warning "$deb") || status=$?
if [ "$status" -ne 0 ] || [ -n "$report" ]; then
    echo "$report"
    echo "FAIL: lintian on $(basename "$deb") (exit $status)" >&2
    exit 1
fi
echo "lintian reports nothing on $(basename "$deb")"
