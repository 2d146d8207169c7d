# Sourced by the build scripts from the checkout's root. The compiler cache (CMake uses it when
# installed) hashes paths relative to the checkout, so a clone in another folder, as CI makes,
# reuses the objects of this one; and it is kept large enough for the program, its tests and the
# sanitizer build (a limit of 0 means none).
export CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=1
if command -v ccache >/dev/null 2>&1; then
    max=$(ccache --get-config max_size 2>/dev/null | sed -E 's/ //g; s/i?B$//')
    bytes=$(numfmt --from=iec "$max" 2>/dev/null || true)
    if [ -z "$bytes" ] || { [ "$bytes" -ne 0 ] && [ "$bytes" -lt $((5 * 1024 * 1024 * 1024)) ]; }; then
        ccache -M 5G >/dev/null
    fi
fi
