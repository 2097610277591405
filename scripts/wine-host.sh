# Sourced by wine-env.sh: the one place that decides whether this host can
# execute 32-bit x86 programs, and so which Wine loader every Wine call uses.
#
# Debian's wrappers (wine, wineboot, regsvr32 ...) always pick the 32-bit
# loader once wine32:i386 is installed. On a host whose kernel refuses 32-bit
# programs that fails even for 64-bit ones, so there the 64-bit loader is put
# first on PATH (scripts/wine64-only) and named in WINELOADER, which Wine uses
# to start every further process.
#
# Sets and exports:
#   KD_WINE_ARCHS      "win32 win64", or "win64" on a 64-bit-only host
#   KD_WIN32_SKIPPED   why win32 programs are not run (empty when they are)
#   KD_PROGRAM_ARCH    the build that `make run`, screenshots and soak start:
#                      win32, the primary one, where it runs; else win64
# KD_WIN64_ONLY=1 forces the 64-bit-only path on any host, to try it.
# The answer is kept in the environment, so nested scripts do not probe again.
# KD_WINE32_LOADER and KD_WINE64_LOADER name other loaders (for its tests).
kd_wine32_loader=${KD_WINE32_LOADER:-/usr/lib/wine/wine}
kd_wine64_loader=${KD_WINE64_LOADER:-/usr/lib/wine/wine64}

if [ -z "${KD_WINE_ARCHS:-}" ]; then
  KD_WIN32_SKIPPED=
  if [ "${KD_WIN64_ONLY:-0}" = 1 ]; then
    KD_WIN32_SKIPPED="KD_WIN64_ONLY=1 forces the 64-bit-only path"
  elif [ ! -x "$kd_wine32_loader" ]; then
    KD_WIN32_SKIPPED="the 32-bit Wine loader ($kd_wine32_loader, package wine32:i386) is not installed"
  elif ! "$kd_wine32_loader" --version >/dev/null 2>&1; then
    KD_WIN32_SKIPPED="this host cannot execute 32-bit x86 programs ($kd_wine32_loader --version fails)"
  fi
  if [ -n "$KD_WIN32_SKIPPED" ]; then
    KD_WINE_ARCHS=win64 KD_PROGRAM_ARCH=win64
  else
    KD_WINE_ARCHS="win32 win64" KD_PROGRAM_ARCH=win32
  fi
  export KD_WINE_ARCHS KD_WIN32_SKIPPED KD_PROGRAM_ARCH
fi

if [ "$KD_WINE_ARCHS" = win64 ]; then
  export WINELOADER=$kd_wine64_loader
  kd_shims=$(cd "$(dirname "${BASH_SOURCE[0]}")/wine64-only" && pwd)
  case ":$PATH:" in *":$kd_shims:"*) ;; *) export PATH="$kd_shims:$PATH" ;; esac
  unset kd_shims
fi
unset kd_wine32_loader kd_wine64_loader

# kd_wine_runs <win32|win64>: true when programs of that architecture run here.
kd_wine_runs() { case " $KD_WINE_ARCHS " in *" $1 "*) return 0 ;; *) return 1 ;; esac; }

# kd_arch_prefix <build folder> <win32|win64>: the prefix that build's tests
# run in (cmake/KordaneTesting.cmake binds its wine-run to the same one).
kd_arch_prefix() { if [ "$2" = win32 ]; then echo "$1/wineprefix"; else echo "$1/wineprefix-$2"; fi; }
