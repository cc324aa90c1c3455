#!/usr/bin/env bash
# Runs a GUI test executable in a fresh virtual display of its own.
exec xvfb-run -a -s "-screen 0 1280x800x24 -nolisten tcp" "$@"
