# Sourced by the scripts that run servers in the background. `pids`
# collects them (pids+=($!)); at exit they are stopped in the reverse order
# of their start and the folder named by `scratch` (when set) is removed.
pids=()
scratch=
stop_background() {
  set +e
  local i
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    kill -TERM "${pids[i]}" 2>/dev/null
    wait "${pids[i]}" 2>/dev/null
  done
  [ -z "$scratch" ] || rm -rf "$scratch"
}
trap stop_background EXIT
