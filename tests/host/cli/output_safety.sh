#!/usr/bin/env bash
# Whatever the output of a render is, no file is lost or replaced by surprise.
# One row per kind of output: how it is made, the render, the exit status
# expected, and what must hold afterwards. Every row also checks that no
# temporary file is left behind.
# Usage: output_safety.sh MACHINE_HOST SONG PLUGIN_FOLDER WORK_FOLDER MACHINES_FOLDER [STUCK_ROWS]
# STUCK_ROWS "off" leaves out the rows of a machine stuck in a loop: under
# ThreadSanitizer a signal waits until its thread calls into the library,
# which a spinning machine never does.
set -uo pipefail
host=$1 song=$2 plugins=$3 work=$4 machines=$5 stuck_rows=${6:-on}
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1
set -m  # background renders keep SIGINT, as they do when run from a terminal

render() { "$host" render "$@" --plugins "$plugins"; }
render "$song" -o reference.wav >/dev/null || { echo "the reference render failed"; exit 1; }
cp "$song" song.song
echo "earlier output" > earlier

same_bytes() { cmp -s "$1" "$2"; }
failures=0

# The song rendered to OUTPUT.
to() { render ../song.song -o "$1"; }

# row NAME SETUP RUN STATUS CHECK: runs SETUP, then RUN, then CHECK, in a fresh folder.
row() {
  local name=$1 setup=$2 run=$3 status=$4 check=$5 got
  rm -rf case && mkdir case && cd case || exit 1
  eval "$setup"
  eval "$run" >stdout.txt 2>stderr.txt
  got=$?
  if [ "$got" != "$status" ]; then
    echo "$name: exit status $got, expected $status: $(cat stderr.txt)"
    failures=$((failures + 1))
  elif ! eval "$check"; then
    echo "$name: after the render, failed: $check"
    failures=$((failures + 1))
  elif [ -n "$(find . .. -maxdepth 1 -name '*.partial')" ]; then
    echo "$name: a temporary file was left behind"
    failures=$((failures + 1))
  fi
  cd .. || exit 1
}

# Nothing a file opened later could take the closed descriptor from.
info_to_closed() { "$host" info "$plugins"/minimal.* >&-; }

# A render long enough to be interrupted once it has begun writing, its
# machine misbehaving as VARNOK_FAULT says; a stuck machine may not keep it
# past a second (five, on a loaded machine).
interrupted() {
  local signal=$1 fault=${2:-} pid waited=0 status started
  VARNOK_FAULT=$fault "$host" render ../song.song -o out.wav --format pcm16 --tail 3600 --plugins "$plugins" \
    >/dev/null 2>&1 &
  pid=$!
  while [ -z "$(find . -maxdepth 1 -name '*.partial')" ] && [ $waited -lt 100 ]; do
    sleep 0.05
    waited=$((waited + 1))
  done
  started=$SECONDS
  kill -"$signal" $pid
  while kill -0 $pid 2>/dev/null && [ $((SECONDS - started)) -le 10 ]; do sleep 0.05; done
  if kill -0 $pid 2>/dev/null; then
    kill -KILL $pid
    echo "the render took more than 10 s to end" >&2
  fi
  wait $pid
  status=$?
  [ $((SECONDS - started)) -le 5 ] || echo "the render took $((SECONDS - started)) s to end" >&2
  return $status
}

# The Test Generator from a copy of the machines' folder, written through a
# link over the library it loads beside it.
over_its_library() {
  printf '%s\n' 'machine lead "Varnok'"'"'s Pulse"' 'route lead -> master' 'pattern lead p 1' 'A-4 40 .. .. ..' \
    end 'sequence lead p' > pulse.song
  ln -s machines/dsplib.so out.wav
  "$host" render pulse.song -o out.wav --plugins machines
}

# A render whose machine crashes while the output is being written.
crashing() {
  VARNOK_FAULT=crash-in-tick "$host" render ../song.song -o out.wav --plugins "$plugins" >/dev/null 2>&1
}

row "same file as the song"  ""                                          "to ../song.song" 1 "same_bytes ../song.song $song"
row "song through a link"    "ln -s ../song.song out.wav"                "to out.wav"      1 "[ -L out.wav ] && same_bytes ../song.song $song"
row "read-only file"         "cp ../earlier out.wav; chmod 444 out.wav"  "to out.wav"      1 "same_bytes out.wav ../earlier"
row "a folder"               "mkdir out.wav"                             "to out.wav"      1 "[ -d out.wav ]"
row "missing folder"         ""                                          "to none/out.wav" 1 "[ ! -e none ]"
row "a plug-in's library"    "cp -r $machines machines"                  "over_its_library" 1 \
    "same_bytes machines/dsplib.so $machines/dsplib.so && grep -q 'write over the plug-in file' stderr.txt"
row "unknown extension"      "cp ../earlier out.mp3"                     "to out.mp3"      1 "same_bytes out.mp3 ../earlier"
row "FLAC to a stream"       "mkfifo out.flac"                           "to out.flac"     1 "[ -p out.flac ]"
row "file replaced whole"    "cp ../earlier out.wav; chmod 640 out.wav"  "to out.wav"      0 \
    "same_bytes out.wav ../reference.wav && [ \$(stat -c %a out.wav) = 640 ]"
row "link to a file"         "mkdir sub; cp ../earlier sub/t.wav; ln -s sub/t.wav out.wav" "to out.wav" 0 \
    "[ -L out.wav ] && same_bytes sub/t.wav ../reference.wav"
row "link to no file yet"    "mkdir sub; ln -s sub/t.wav out.wav"        "to out.wav"      0 \
    "[ -L out.wav ] && same_bytes sub/t.wav ../reference.wav"
row "a device"               ""                                          "to /dev/null"    0 "[ -c /dev/null ]"
row "a FIFO"                 "mkfifo out.wav; cat out.wav > got.wav &"   "to out.wav"      0 \
    "wait; [ -p out.wav ] && same_bytes got.wav ../reference.wav"
row "standard output"        ""                                          "to -"            0 \
    "same_bytes stdout.txt ../reference.wav && grep -q 'standard output:' stderr.txt"
row "/dev/stdout, a pipe"    ""                                          "to /dev/stdout | cat" 0 \
    "same_bytes stdout.txt ../reference.wav && grep -q 'standard output:' stderr.txt"
row "standard output closed" ""                                          "to - >&-"        1 \
    "grep -q 'standard output: cannot write' stderr.txt"
row "info, output closed"    ""                                          "info_to_closed"  1 \
    "grep -q 'cannot write to standard output' stderr.txt"
row "SIGINT while writing"   "cp ../earlier out.wav"                     "interrupted INT"  130 "same_bytes out.wav ../earlier"
row "SIGTERM while writing"  "cp ../earlier out.wav"                     "interrupted TERM" 143 "same_bytes out.wav ../earlier"
row "SIGHUP while writing"   "cp ../earlier out.wav"                     "interrupted HUP"  129 "same_bytes out.wav ../earlier"
row "SIGQUIT while writing"  "ulimit -c 0; cp ../earlier out.wav"        "interrupted QUIT" 131 "same_bytes out.wav ../earlier"
row "SIGPIPE while writing"  "cp ../earlier out.wav"                     "interrupted PIPE" 141 "same_bytes out.wav ../earlier"
[ "$stuck_rows" = on ] &&
row "SIGINT, machine stuck"  "cp ../earlier out.wav" "interrupted INT hang-in-tick"  130 \
    "same_bytes out.wav ../earlier && ! grep -q took stderr.txt"
[ "$stuck_rows" = on ] &&
row "SIGTERM, machine stuck" "cp ../earlier out.wav" "interrupted TERM hang-in-tick" 143 \
    "same_bytes out.wav ../earlier && ! grep -q took stderr.txt"
row "machine crashes"        "cp ../earlier out.wav"                     "crashing"         132 "same_bytes out.wav ../earlier"

[ $failures -eq 0 ] && echo "every output kept safe"
exit $((failures > 0))
