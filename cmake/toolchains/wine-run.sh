#!/bin/sh
# wine-run.sh PREFIX COMMAND [ARGUMENTS...]
# Runs a wine command (wine, wineboot, wineserver) in the wine prefix PREFIX,
# without debug output and without asking to download Mono and Gecko.
prefix=$1
shift
WINEPREFIX=$prefix WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml=" exec "$@"
