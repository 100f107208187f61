# The setting of the native end-to-end scripts, which source this file after
# setting `here` (their folder): a scratch folder `work` with the stand-in
# java and opener on the PATH, their records, a KICKASS_PATH that holds a
# KickAss.jar, and the current directory $work/run. The processes in `pids`
# are ended, and the folder removed, on exit.

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do
    kill -CONT "$pid" 2> /dev/null
    kill "$pid" 2> /dev/null
  done
  wait 2> /dev/null
  rm -rf "$work"
}
trap cleanup EXIT
mkdir "$work/bin" "$work/run"
cp "$here/stand-ins/java" "$here/stand-ins/xdg-open" "$work/bin/"
export PATH="$work/bin:$PATH"
export BRACKWIN_TEST_RECORD="$work/java.args"
export BRACKWIN_TEST_OPEN_RECORD="$work/open.args"
export KICKASS_PATH="$work/kick ass"
mkdir "$KICKASS_PATH" && touch "$KICKASS_PATH/KickAss.jar"
cd "$work/run" || exit 1

[ -v launcher ] || launcher=()
java_record=$BRACKWIN_TEST_RECORD
# shellcheck source=common.sh
. "$here/common.sh"
