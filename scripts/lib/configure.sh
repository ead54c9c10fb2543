# Sourced by the scripts: configure SOURCE BUILD [CMAKE_OPTIONS...] runs CMake quietly;
# when it fails, CMake's own messages (the missing module's name, say) are printed
# before the script stops.
configure() {
    local src=$1 build=$2 log
    shift 2
    mkdir -p "$build"
    log=$build/configure.log
    if ! cmake -S "$src" -B "$build" "$@" >"$log" 2>&1; then
        echo "CMake could not configure $build; its messages ($log):" >&2
        grep -v '^-- ' "$log" >&2 || cat "$log" >&2
        return 1
    fi
}
