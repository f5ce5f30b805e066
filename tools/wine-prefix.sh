#!/usr/bin/env bash
# Makes the Wine prefix named by $WINEPREFIX once: tools/wine-prefix.sh LOADER DRIVER
# DRIVER is "null" (no X server needed), "x11", or "nodriver": a graphics driver that does not
# exist, for tests of a program that cannot create its window. Later calls return at once.
# When the prefix cannot be made, the reason and Wine's output go to standard error.
set -euo pipefail
loader=$1
driver=$2
case "${WINEPREFIX:-}" in
/*) ;;
*)
    echo "wine-prefix: WINEPREFIX must be an absolute path, not '${WINEPREFIX:-}'" >&2
    exit 1
    ;;
esac
case "$driver" in
null | nodriver | x11) ;;
*)
    echo "wine-prefix: unknown display driver '$driver' (null, nodriver or x11)" >&2
    exit 1
    ;;
esac
if [ ! -x "$loader" ]; then
    echo "wine-prefix: no Wine loader $loader; install Wine (bash tools/install-deps.sh)" >&2
    exit 1
fi
# The stamp names the prefix's settings; a prefix made with other settings is made again.
settings=2
ready="$WINEPREFIX/.kv-ready"
[ "$(cat "$ready" 2>/dev/null)" = "$settings" ] && exit 0

mkdir -p "$(dirname "$WINEPREFIX")"
exec 9>"$WINEPREFIX.lock"
flock 9
[ "$(cat "$ready" 2>/dev/null)" = "$settings" ] && exit 0
rm -rf "$WINEPREFIX"

# Wine's output is kept beside the prefix and shown if a step fails.
log="$WINEPREFIX.log"
: >"$log"
trap 'echo "wine-prefix: making $WINEPREFIX failed at: $BASH_COMMAND" >&2; tail -n 20 "$log" >&2' ERR

# A server of its own, not persistent, so that waiting for it below returns.
/usr/lib/wine/wineserver64 -k >/dev/null 2>&1 || true
"$loader" wineboot --init >>"$log" 2>&1 </dev/null || true

if [ "$driver" != x11 ]; then
    "$loader" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d "$driver" /f >>"$log" 2>&1 </dev/null
else
    # Xvfb runs no window manager, so nothing would draw the title bar and the frame: Wine draws
    # them itself when windows are not left to the window manager to decorate.
    "$loader" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >>"$log" 2>&1 </dev/null
fi

# No crash dialog: a fault that nothing handles ends the process at once with its status (the
# crash debugger, winedbg --auto, only prints a backtrace), where the dialog could hold the
# process frozen until a test's time-out. Wine starts winedbg even with no AeDebug debugger set.
"$loader" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
    >>"$log" 2>&1 </dev/null

# The title bar's font is Tahoma Bold, which has no Chinese glyphs. Wine looks a font's fallback
# fonts up by the face's full name, so linking only "Tahoma" leaves the bold caption with boxes;
# both faces fall back to Debian's Chinese fonts, named by file and family.
links='wqy-zenhei.ttc,WenQuanYi Zen Hei\0uming.ttc,AR PL UMing CN'
for face in 'Tahoma' 'Tahoma Bold'; do
    "$loader" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
        /v "$face" /t REG_MULTI_SZ /d "$links" /f >>"$log" 2>&1 </dev/null
done

# The program asks for the fonts "宋体" and "楷体"; map them to the Chinese fonts Debian ships.
# regedit reads a .reg file with Chinese names only as UTF-16LE with a byte-order mark.
reg=$(mktemp --suffix=.reg)
{
    printf '\xff\xfe'
    printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n"宋体"="AR PL UMing CN"\r\n"楷体"="AR PL UKai CN"\r\n"SimSun"="AR PL UMing CN"\r\n"KaiTi"="AR PL UKai CN"\r\n' |
        iconv -f UTF-8 -t UTF-16LE
} >"$reg"
"$loader" regedit /S "$reg" >>"$log" 2>&1 </dev/null
rm -f "$reg"

# Title-bar buttons need Marlett, which Debian's Wine does not find on its own.
fonts="$WINEPREFIX/drive_c/windows/Fonts"
mkdir -p "$fonts"
for font in /usr/share/wine/fonts/*; do
    [ -e "$font" ] && ln -sf "$font" "$fonts/"
done

# Let the server write the registry to disk before the prefix counts as made.
/usr/lib/wine/wineserver64 -w
echo "$settings" >"$ready"
