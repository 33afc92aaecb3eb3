# Sourced by the benchmark scripts: makes a generated tree once and keeps it. A stamp beside each
# tree records the generator and its arguments; a change regenerates the tree. Needs $here, the
# bench folder.

# ensure_tree FOLDER GENERATOR-ARGUMENTS...
ensure_tree() {
  local dir=$1; shift
  local generator_id stamp wanted
  generator_id=$(sha256sum "$here/make_tree.py" | cut -c1-16)
  stamp="$dir.stamp" wanted="$generator_id $*"
  if [ -d "$dir" ] && [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$wanted" ]; then
    echo "== $dir is up to date"
    return
  fi
  command -v python3 >/dev/null || { echo "Missing: python3, to generate $dir" >&2; exit 1; }
  echo "== Generating $dir ($*)"
  rm -rf "$dir" "$stamp"
  local started=$SECONDS
  python3 "$here/make_tree.py" "$@" "$dir"
  echo "   took $((SECONDS - started)) s"
  echo "$wanted" >"$stamp"
}
