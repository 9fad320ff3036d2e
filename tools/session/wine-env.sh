# Sourced by the scripts that run Wine, with $arch set to win32 or win64:
# the settings every Wine program of the tests runs with, and $loader and
# $server, the Wine loader and server for that architecture.
export WINEARCH=$arch
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installers, no desktop menu entries.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
if [ "$arch" = win64 ]; then
    loader=/usr/lib/wine/wine64 server=/usr/lib/wine/wineserver64
else
    loader=/usr/lib/wine/wine server=/usr/bin/wineserver
fi
