#!/bin/sh
# wine-run.sh PREFIX COMMAND [ARGUMENTS...]
# Runs a wine command (wine, wineboot, wineserver) in the wine prefix PREFIX,
# without debug output, without asking to download Mono and Gecko, and
# without wine's ALSA driver, whose library complains on stderr of every
# program that asks for MIDI devices where there is no sound card.
prefix=$1
shift
WINEPREFIX=$prefix WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml=;winealsa.drv=" exec "$@"
