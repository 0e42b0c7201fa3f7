# The installed files: the desktop entry and the metainfo validate, and the installed program
# answers its options without a display and starts with its sounds found, where a copy without
# them says so.
source "$(dirname "$0")/lib.sh" "$1"
dest="$E2E_DIR/dest"
DESTDIR="$dest" cmake --install "$(dirname "$(dirname "$ORVALIN")")" --prefix /usr >/dev/null
desktop-file-validate "$dest/usr/share/applications/fi.orvalin.Orvalin.desktop" || fail "desktop entry"
appstreamcli validate --no-net "$dest/usr/share/metainfo/fi.orvalin.Orvalin.metainfo.xml" >/dev/null ||
    fail "metainfo: $(appstreamcli validate --no-net "$dest/usr/share/metainfo/"*.xml)"
for file in etc/ppp/peers/orvalin usr/share/man/man1/orvalin.1.gz usr/share/man/fi/man1/orvalin.1.gz \
    usr/share/icons/hicolor/{scalable/apps/fi.orvalin.Orvalin.svg,48x48/apps/fi.orvalin.Orvalin.png}; do
    [ -s "$dest/$file" ] || fail "$file is not installed"
done
installed="$dest/usr/bin/orvalin"
e2e_expect "--version" "$(env -u DISPLAY "$installed" --version)" "Orvalin 1.0"
env -u DISPLAY "$installed" --help | grep -q -- "--version" || fail "--help does not list --version"
status=0
error=$(QT_QPA_PLATFORM=offscreen "$installed" --ei-tällaista 2>&1 >/dev/null) || status=$?
e2e_expect "unknown option" "$status: $(wc -l <<<"$error")" "2: 1"
# The import without a display, answered by --yes, and the log back out as a spreadsheet reads it.
printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\Orvalin\\P\xe4iv\xe4m\xe4\xe4r\xe4]\r\n"0"="1. tammikuuta 1999"\r\n\r\n[HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\Orvalin\\Hinta]\r\n"0"="12,5 markkaa"\r\n' >"$E2E_DIR/w.reg"
env -u DISPLAY "$installed" --import "$E2E_DIR/w.reg" --yes >/dev/null </dev/null || fail "--import"
env -u DISPLAY "$installed" --export-log "$E2E_DIR/log.csv" >/dev/null || fail "--export-log"
e2e_expect "the CSV" "$(python3 -c 'import csv,sys; print(list(csv.reader(open(sys.argv[1], encoding="utf-8-sig"), delimiter=";")))' "$E2E_DIR/log.csv")" \
    "[['Päivämäärä', 'Kesto', 'Hinta (markkaa)'], ['1. tammikuuta 1999', '', '12,5']]"
e2e_display
ORVALIN="$installed"
# Session restore starts the program with Qt's -session, which Qt takes.
e2e_start bash -c 'exec "$0" -session 1234'
e2e_wait_window "Orvalin 1.0" 40 >/dev/null
kill -TERM "$ORVALIN_PID"
e2e_wait_exit "$ORVALIN_PID"
e2e_expect "exit status" "$E2E_STATUS" 0
! grep -q "puuttuu" "$E2E_DIR/orvalin.log" || fail "the installed copy misses a sound"
mkdir "$E2E_DIR/bin" && cp "$installed" "$E2E_DIR/bin/"
alone=$(QT_QPA_PLATFORM=offscreen timeout -s TERM 3 "$E2E_DIR/bin/orvalin" 2>&1 || true)
grep -q "äänitiedosto puuttuu: .*/yhteys.wav" <<<"$alone" || fail "a copy without its sounds: $alone"
echo "installed, validated, started"
