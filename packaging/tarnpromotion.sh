#!/bin/sh
# Starts TarnPromotion. The embedded database engine keeps its lock files in a folder of
# the user's own: the engine's shared default, /tmp/firebird, belongs to whichever user
# created it first, and no one else could open a database file then. Two engines still
# cannot open one database file at once: the file itself is locked.
if [ -z "${FIREBIRD_LOCK:-}" ]; then
    FIREBIRD_LOCK="${XDG_RUNTIME_DIR:-/tmp}/tarnpromotion-firebird-$(id -u)"
    export FIREBIRD_LOCK
fi
here=$(dirname "$(readlink -f "$0")")
exec "$here/../lib/tarnpromotion/TarnPromotion" "$@"
