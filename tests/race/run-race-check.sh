#!/bin/sh
# Runs the race check; ThreadSanitizer refuses some kernels' address-space randomisation
# ("unexpected memory mapping"), in which case it runs again with randomisation off.
log=$("$@" 2>&1)
status=$?
if [ $status -ne 0 ] && printf '%s' "$log" | grep -q "unexpected memory mapping"; then
    exec setarch "$(uname -m)" -R "$@"
fi
printf '%s\n' "$log"
exit $status
