# Sourced by the benchmark scripts before they read their own arguments: takes "--build DIR" off
# the front of them. find_build then sets `build`, `bench` and `app` to a Release build folder and
# its programs, building them when they are missing. The folder is --build DIR, else
# $GLIMMERBOX_BUILD_DIR, else build-bench/ in the repository. A folder that is configured already
# is built as it is, never configured again: it may be a developer's, with its tests.
build=
if [[ ${1-} == --build ]]; then
    build=${2:?--build needs a folder}
    shift 2
fi

find_build() {
    local repo=$1
    build=${build:-${GLIMMERBOX_BUILD_DIR:-$repo/build-bench}}
    bench=$build/bench/glimmerbox_load_bench
    app=$build/src/app/glimmerbox
    if [[ ! -x $bench || ! -x $app ]]; then
        echo "bench: building glimmerbox and glimmerbox_load_bench (Release) in $build" >&2
        [[ -f $build/CMakeCache.txt ]] \
            || cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=Release -DGLIMMERBOX_BUILD_TESTS=OFF >&2
        cmake --build "$build" -j"$(nproc)" --target glimmerbox glimmerbox_load_bench >&2
    fi
    local type
    type=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$build/CMakeCache.txt" 2>/dev/null || true)
    [[ $type == Release ]] || echo "bench: WARNING: $build is a '${type:-?}' build, not Release" >&2
}
