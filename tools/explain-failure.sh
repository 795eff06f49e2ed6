#!/usr/bin/env bash
# tools/explain-failure.sh STATUS STDOUT-COPY: what ./demo says when the program
# ended with an error: the reason (the last line of logger.log in the current
# folder, or the program's "Error(code): ..." line on standard output) and
# what to do about it.
set -uo pipefail
status="$1"
out="$2"
reason=""
[ -f logger.log ] && reason="$(tail -n 1 logger.log)"
[ -z "$reason" ] && reason="$(grep -E '^Error\([-0-9]+\): ' "$out" | tail -n 1 || true)"
echo
echo "The show stopped (status $status): ${reason:-no reason was logged}"
case "$reason" in
  "no XF86VidMode Extention found!")
    echo "This X server cannot switch video modes (no XF86VidMode), which fullscreen needs."
    echo "Run the show scaled to the whole screen in its own mode instead:  ./demo s"
    echo "or in a window:  ./demo w" ;;
  "No best mode found!")
    echo "The monitor offers no 1280 x 720 video mode, which fullscreen switches to (xrandr lists the modes)."
    echo "Run the show scaled to the whole screen in its own mode instead:  ./demo s"
    echo "or in a window:  ./demo w" ;;
  "Could not connect to X server")
    echo "No X server answers on DISPLAY=${DISPLAY:-}. Start the show from a desktop session, or set DISPLAY to a running server." ;;
  "GLX extension not supported" | "Could not find FB config" | "FBConfigs in null" | "Could not find visual" | \
  "Could not create an OpenGL rendering context")
    echo "The X server offers no usable OpenGL (GLX) for a double-buffered RGB window."
    echo "Check the graphics driver (glxinfo -B from mesa-utils shows what it offers); under a remote"
    echo "display try a local one." ;;
  "could not create window")
    echo "The X server refused the 1280 x 720 window; check the server's log." ;;
  "Unable to AllocImage!")
    echo "Not enough memory for the frame or a picture; close other programs and try again." ;;
  Error*"Cant init device")
    echo "No sound output could be opened. The show plays through OpenAL Soft, normally via PulseAudio:"
    echo "check that a sound server runs (pactl info) or that a sound device exists." ;;
  Error*"Error Loading file")
    echo "build/bin/kaz.mp3 is missing or not a playable MP3. Remove it and run ./demo again to have it made anew." ;;
  *"data file"* | *"Data file"* | *"not found in data file"* | "Error reading file "* | "Corrupt image "* | "Asset "*)
    echo "The asset pack build/bin/data.dat is missing or damaged. Remove it and run ./demo again to have it made anew." ;;
  *)
    echo "Any further reason is on the terminal above; README.md lists every message (section \"Messages\")." ;;
esac
