#!/bin/sh
# The demo package's set-up program: it only records that it ran, where and with what.
here=$(cd "$(dirname "$0")" && pwd)
printf '%s setup.sh ran in %s, arguments: %s\n' "$(date '+%Y-%m-%d %H:%M:%S')" "$here" "$*" \
    >>"$here/setup-ran.log"
