# Sourced: the environment of the private Wine prefix. Never the user's ~/.wine
# nor the real home folder.
_qolt_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
_qolt_build=${QOLT_BUILD:-$_qolt_root/build}
export WINEPREFIX=$_qolt_build/wine/prefix
export HOME=$_qolt_build/wine/home
export WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="
export WINELOADER=/usr/lib/wine/wine64
export WINESERVER=/usr/lib/wine/wineserver
export XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share XDG_CACHE_HOME=$HOME/.cache
unset _qolt_root _qolt_build
