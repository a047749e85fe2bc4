#!/usr/bin/env bash
# The tarvex program as a user runs it: a command file, --help, bad arguments, entry codes, the
# windowed host's reports, the batch log, and the symbols the engine library exports.
set -u
tarvex=$1
lib=$(dirname "$tarvex")/libtarvex.so
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export TARVEX_SETTINGS=/dev/null
fail=0

check() { # check DESCRIPTION COMMAND...: the command must succeed
  local what=$1
  shift
  if ! "$@"; then
    echo "FAIL: $what"
    fail=$((fail + 1))
  fi
}
has() { grep -qF -- "$2" "$1"; }
lacks() { ! grep -qF -- "$2" "$1"; }

# A command file: the banner on stdout, nothing on stderr, exit 0 at STOP.
printf '* a comment\nSTOP\nXYZZY\n' > "$work/stop.tvx"
"$tarvex" "$work/stop.tvx" > "$work/out" 2> "$work/err"
check "file run exits 0" test $? -eq 0
check "file run writes the banner" has "$work/out" " Welcome to"
check "file run writes the version line" has "$work/out" "TARVEX (Quadruple Precision) Version"
check "file run stops at STOP" lacks "$work/out" "XYZZY"
check "file run is quiet on stderr" test ! -s "$work/err"

# End of input ends the run as STOP does.
printf '* only a comment\n' > "$work/eof.tvx"
"$tarvex" "$work/eof.tvx" > "$work/out" 2>&1
check "end of input exits 0" test $? -eq 0
"$tarvex" < "$work/eof.tvx" > "$work/out" 2>&1
check "commands from a pipe exit 0" test $? -eq 0
check "commands from a pipe give the banner" has "$work/out" " Welcome to"

# A report the standard output cannot take (a full disk) is not lost without a word, whether
# the run ends at STOP or at a fatal stop.
"$tarvex" "$work/stop.tvx" > /dev/full 2> "$work/err"
check "a full standard output exits 1" test $? -eq 1
check "a full standard output is named" \
  has "$work/err" "tarvex: the report could not be written to the standard output"
printf 'FORMAT(F5.1%243s)\nPRINT $PI / FORMAT\n' ' ' > "$work/fatal.tvx"
"$tarvex" "$work/fatal.tvx" > /dev/full 2> "$work/err"
check "a full standard output at a fatal stop exits 1" test $? -eq 1

# Help and bad arguments.
"$tarvex" --help > "$work/out" 2>&1
check "--help exits 0" test $? -eq 0
check "--help shows the usage" has "$work/out" "usage: tarvex [options] [FILE]"
"$tarvex" --bogus > "$work/out" 2>&1
check "an unknown option exits 2" test $? -eq 2
"$tarvex" "$work/no-such-file.tvx" > "$work/out" 2>&1
check "a missing file exits 2" test $? -eq 2
check "a missing file is named" has "$work/out" "no-such-file.tvx"

# Entry codes.
"$tarvex" --code -1 < /dev/null > "$work/out" 2> "$work/err"
check "code -1 identifies the engine" has "$work/err" "TARVEXQX RETURNED CODE=-1 WINDOW=9557"
check "code -1 runs nothing" test ! -s "$work/out"
"$tarvex" --code 400 < /dev/null > "$work/out" 2> "$work/err"
check "code 400 returns -7 silently" test "$(cat "$work/err")" = "TARVEXQX RETURNED CODE=-7 WINDOW=0"
"$tarvex" --code 300 < /dev/null > "$work/out" 2> "$work/err"
check "code 300 pauses about the installation" has "$work/err" "Improper TARVEX Ver 11 Installation, Reinstall"
check "code 300 runs nothing" test ! -s "$work/out"

# Code 29: a batch run writes TARVEX.LOG in the current directory and ends the process.
(cd "$work" && "$tarvex" --code 29 stop.tvx > out29 2> err29)
check "code 29 exits 0" test $? -eq 0
check "code 29 creates TARVEX.LOG" test -f "$work/TARVEX.LOG"
check "code 29 writes nothing to stdout" test ! -s "$work/out29"

# Windowed host: lines through the host link, the window-state query on stderr.
printf 'STOP\n' > "$work/win.tvx"
"$tarvex" --window "$work/win.tvx" > "$work/out" 2> "$work/err"
check "windowed run exits 0" test $? -eq 0
check "windowed run asks for the window state" has "$work/err" "HOST QUERY: GET_WINSTATE= REPLY: Single"
check "windowed run delivers the banner" has "$work/out" " Welcome to"
"$tarvex" --host --multiple "$work/win.tvx" > "$work/out" 2> "$work/err"
check "--multiple answers Multiple" has "$work/err" "HOST QUERY: GET_WINSTATE= REPLY: Multiple"
check "a multiple-window STOP notes it" has "$work/out" "...NOTE..STOPPED"

# A terminal session (through script's pseudo-terminal): Ctrl-C drops the line being typed and
# the session goes on; the history is kept in the file beside the settings store and comes back
# in the next session (two up arrows recall the first session's PRINT A, which now finds no A).
if command -v script > /dev/null; then
  mkdir -p "$work/home"
  # script starts the command through $SHELL; "exec" leaves no shell between script and tarvex,
  # so a shell that dies of the Ctrl-C (as sh does) cannot end the session.
  session() { # session INPUT-WRITER: runs tarvex at a terminal with HOME=$work/home
    "$@" | HOME="$work/home" TARVEX_SETTINGS= script -qefc "exec '$tarvex'" /dev/null > "$work/tty" 2>&1
  }
  first() {
    printf 'SAMPLE 1 1\r'; sleep 1; printf 'GENR A=7\r'; sleep 1; printf 'XYZZY'; sleep 1
    printf '\003'; sleep 1
    printf 'PRINT A\r'; sleep 1; printf 'STOP\r'; sleep 1
  }
  session first
  check "Ctrl-C at the prompt keeps the session" test $? -eq 0
  check "Ctrl-C drops the typed line" lacks "$work/tty" "UNKNOWN COMMAND...XYZZY"
  check "the session goes on after Ctrl-C" has "$work/tty" "A            7.000000"
  check "the history file is written" has "$work/home/.tarvex/history" "PRINT A"
  check "the history file is private" test "$(stat -c %a "$work/home/.tarvex/history")" = 600
  second() {
    printf '\033[A\033[A\r'; sleep 1; printf 'STOP\r'; sleep 1
  }
  session second
  check "the history comes back in the next session" has "$work/tty" "VARIABLE A DOES NOT EXIST"
  rm -f "$work/home/.tarvex/history"
  mkdir "$work/home/.tarvex/history" # a history that cannot be written
  session first
  check "an unwritable history ends the session normally" test $? -eq 0
  check "an unwritable history is a warning" has "$work/tty" "tarvex: warning: cannot write the history file"
  rm -rf "$work/home/.tarvex/history"

  # Ctrl-C during an estimation that would iterate for minutes (the slope of a logistic curve
  # fitted to a step runs off to infinity): the estimation ends within seconds with the note,
  # reports and stores nothing (its PREDICT= variable is not made), and the session goes on.
  # The writer waits up to 20 s for the note before it types on.
  endless_fit() {
    printf 'SMPL 1 200\r'; sleep 1; printf 'GENR X = TIME(0) - 100.5\r'; sleep 0.5
    printf 'GENR Y = X .GT. 0\r'; sleep 0.5
    printf 'NLINEAR / MAXIT=100000 PREDICT=YHAT\r'; sleep 0.5; printf 'COEF B 1\r'; sleep 0.5
    printf 'EQ Y = 1/(1+EXP(-B*X))\r'; sleep 0.5; printf 'END\r'; sleep 1.5
    printf '\003'
    for _ in $(seq 100); do has "$work/tty" "INTERRUPTED" && break; sleep 0.2; done
    printf 'SAMPLE 1 1\r'; sleep 0.5; printf 'GENR C=8\r'; sleep 0.5; printf 'PRINT C\r'; sleep 0.5
    printf 'PRINT YHAT\r'; sleep 0.5; printf 'STOP\r'; sleep 1
  }
  endless_fit | HOME="$work/home" TARVEX_SETTINGS= timeout 60 script -qefc "exec '$tarvex'" /dev/null \
    > "$work/tty" 2>&1
  check "Ctrl-C ends a long estimation and the session" test $? -eq 0
  check "an interrupted estimation is noted" has "$work/tty" " ...NOTE..INTERRUPTED"
  check "an interrupted estimation reports nothing" lacks "$work/tty" "NONLINEAR LEAST SQUARES"
  check "the session goes on after an interrupted estimation" has "$work/tty" "C            8.000000"
  check "an interrupted estimation stores nothing" has "$work/tty" "VARIABLE YHAT DOES NOT EXIST"

  # DEMONSTR at a terminal waits for RETURN before each statement of the example but the first
  # (three: before GENR, before PRINT and before the end of the file), then the session goes on.
  mkdir -p "$work/demo/examples"
  printf '* Two steps.\nSAMPLE 1 1\nGENR D=5\nPRINT D\n' > "$work/demo/examples/steps.tvx"
  demo_steps() {
    printf 'DEMONSTR STEPS\r'; sleep 1; printf '\r'; sleep 1; printf '\r'; sleep 1
    printf '\r'; sleep 1; printf 'GENR E=6\r'; sleep 1; printf 'PRINT E\r'; sleep 1
    printf 'STOP\r'; sleep 1
  }
  demo_steps | HOME="$work/home" TARVEX_SETTINGS= TARVEX_EXAMPLES="$work/demo/examples" \
    script -qefc "exec '$tarvex'" /dev/null > "$work/tty" 2>&1
  check "DEMONSTR waits at a terminal" has "$work/tty" "...PRESS RETURN FOR THE NEXT STEP"
  check "the example's statements are shown" has "$work/tty" "|_GENR D=5"
  check "the example runs to its end" has "$work/tty" "...NOTE..END OF THE WORKED EXAMPLE STEPS"
  check "the session goes on after the example" has "$work/tty" "E            6.000000"
fi

# A work area the settings store asks for and the address space cannot give: start-up says so
# and names the sizes, and nothing runs. (Not under AddressSanitizer, whose shadow memory needs
# more address space than any such limit leaves.)
if ! ldd "$lib" 2>/dev/null | grep -q libasan; then
  printf '[SOFTWARE\\Halvern\\TARVEX110\\START]\nIPAR=2000000000\n' > "$work/huge.ini"
  (ulimit -v 400000 && TARVEX_SETTINGS="$work/huge.ini" "$tarvex" "$work/stop.tvx") > "$work/out" 2> "$work/err"
  check "an impossible work area is refused at start-up" has "$work/out" " ...ERROR..ALLOCATABLE ARRAY MEMORY EXHAUSTED"
  check "the refused sizes are named" has "$work/out" " PAR=2000000000  SIZE=      1000"
  check "nothing runs without a work area" lacks "$work/out" " Welcome to"
fi

# A file-size limit set in the shell: the WRITE past it fails as on a full disk, the partly
# written copy is removed (no hidden .big.dat.XXXXXX is left), and the run goes on to the end.
mkdir -p "$work/fsize"
printf 'SMPL 1 20000\nGENR T = TIME(0)\nWRITE (big.dat) T\nTITLE AFTER THE WRITE\nSTOP\n' \
  > "$work/fsize/write.tvx"
(cd "$work/fsize" && ulimit -f 16 && "$tarvex" write.tvx > out 2> err)
check "a write past the file-size limit exits 0" test $? -eq 0
check "a write past the file-size limit is named" \
  has "$work/fsize/out" " ...ERROR..CANNOT WRITE FILE big.dat: FILE TOO LARGE"
check "the run goes on after a write past the file-size limit" \
  has "$work/fsize/out" " |_TITLE AFTER THE WRITE"
check "a write past the file-size limit leaves no partial copy" \
  test -z "$(find "$work/fsize" -name '.big.dat.*')"

# Without gnuplot on PATH a graph is refused with the package to install, nothing is written,
# and the run goes on to the end.
mkdir -p "$work/nognuplot"
printf 'SMPL 1 5\nGENR Y = TIME(0)\nGRAPH Y\nPRINT $ERR\n' > "$work/nognuplot/graph.tvx"
(cd "$work/nognuplot" && PATH=/nonexistent "$tarvex" graph.tvx) > "$work/out" 2> "$work/err"
check "a graph without gnuplot exits 0" test $? -eq 0
check "a graph without gnuplot names the package" \
  has "$work/out" " ...ERROR..GNUPLOT IS NOT INSTALLED: INSTALL THE PACKAGE gnuplot-nox (OR gnuplot)"
check "a graph without gnuplot sets \$ERR" has "$work/out" "109007.0"
check "a graph without gnuplot writes no file" test ! -e "$work/nognuplot/graph1.png"

# The libraries of files from other programs are loaded when a command first needs them: a run
# that reads none maps none of them (nor the compression and cryptographic libraries they
# bring), and a READ of a Stata file loads its library and reads the file.
if ! ldd "$lib" 2>/dev/null | grep -q libasan; then
  LD_DEBUG=files "$tarvex" "$work/stop.tvx" > "$work/out" 2> "$work/loads"
  for name in libreadstat libzip libexpat libcrypto; do
    check "a plain run does not load $name" lacks "$work/loads" "$name"
  done
  packages=$(cd "$(dirname "$0")/../golden/packages" && pwd)
  printf 'READ (%s/people.dta)\nPRINT $ERR\nSTOP\n' "$packages" > "$work/dta.tvx"
  LD_DEBUG=files "$tarvex" "$work/dta.tvx" > "$work/out" 2> "$work/loads"
  check "a READ of a Stata file loads its library" has "$work/loads" "libreadstat.so.1"
  check "a READ of a Stata file reads it" has "$work/out" "VARIABLES AND        8 OBSERVATIONS"
  check "a READ of a Stata file does not load the workbook libraries" lacks "$work/loads" "libzip"
fi

# The engine library exports the entry point and the host registration calls only.
if command -v nm > /dev/null; then
  exports=$(nm -D --defined-only "$lib" | awk '{print $3}' | sort | tr '\n' ' ')
  check "libtarvex.so exports only its interface" \
    test "$exports" = "TARVEXQX TARVHostSetHandler TARVHostSetReader "
fi

echo "cli checks: $fail failed"
[ "$fail" -eq 0 ]
