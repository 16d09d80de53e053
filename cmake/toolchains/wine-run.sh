#!/bin/sh
# wine-run.sh PREFIX COMMAND [ARGUMENTS...]
# Runs a wine command (wine, wineboot, wineserver) in the wine prefix PREFIX,
# without debug output, without asking to download Mono and Gecko, and
# without wine's ALSA driver, whose library complains on stderr of every
# program that asks for MIDI devices where there is no sound card.
# Wine names Windows files on disk in the locale's character set: C.UTF-8,
# which every Debian system has, lets any name through whatever the caller's
# locale is (with none, "Ωmega ✓.seq" cannot be made).
prefix=$1
shift
unset LANGUAGE
LANG=C.UTF-8 LC_ALL=C.UTF-8 WINEPREFIX=$prefix WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml=;winealsa.drv=" exec "$@"
