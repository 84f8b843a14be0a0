#!/usr/bin/env bash
# End to end: the automatic backup that a close starts, killed (SIGKILL) at 20 moments spread over
# it. After each kill the program starts again, both live files pass integrity_check with every
# row, and every folder under Yedekler with a final name passes its own manifest's check; the
# next backup clears what the killed ones left.
set -euo pipefail
build=$1
source "$(dirname "$0")/e2e_common.sh"
fail() { echo "FAILED: $*"; [ -f "$work/program.log" ] && cat "$work/program.log"; exit 1; }
e2e_need Xvfb xdotool sqlite3 zstd sha256sum

prefix=$work/program
cmake --install "$build" --prefix "$prefix" >/dev/null
e2e_start_xvfb
backups=$prefix/Yedekler

# A few megabytes that compress no better than real notes do.
rows=6000
sqlite3 "$prefix/Servis.mdb" "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < $rows)
    INSERT INTO Servis (ServisKayitNo, Unvan, BasvuruSebebi, YapilanIs)
    SELECT printf('%02d-%04d-01', i / 10000 + 1, i % 10000), 'Müşteri ' || i, hex(randomblob(150)),
           'Yapılan iş ' || hex(randomblob(100)) FROM n"
sqlite3 "$prefix/Stok.mdb" "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000)
    INSERT INTO StokHareket (StokAd, KayitNo) SELECT 'Parça ' || hex(randomblob(40)), '01-0001-01' FROM n"
items=3000

final_folders() {
    [ -d "$backups" ] || return 0
    find "$backups" -mindepth 1 -maxdepth 1 -type d -regextype egrep \
        -regex '.*/[0-9]{4}-[0-9]{2}-[0-9]{2}_[0-9]{4}(-[0-9]+)?' | sort
}

# Every file the manifest names has the size and the SHA-256 it gives, uncompressed.
check_manifest() {
    local folder=$1 manifest="$1/Yedek Bilgisi.txt" name='' size='' files=0 line
    [ -f "$manifest" ] || fail "$folder has a final name but no manifest"
    while IFS= read -r line; do
        case $line in
            "Dosya: "*) name=${line#Dosya: } ;;
            "Boyut: "*) size=${line#Boyut: } ;;
            "SHA-256: "*)
                [ "$(zstd -dcq "$folder/$name" | wc -c)" = "$size" ] || fail "$folder/$name: size differs"
                [ "$(zstd -dcq "$folder/$name" | sha256sum | cut -d ' ' -f 1)" = "${line#SHA-256: }" ] ||
                    fail "$folder/$name: SHA-256 differs"
                files=$((files + 1)) ;;
        esac
    done <"$manifest"
    [ "$files" = 2 ] || fail "$folder: the manifest names $files files"
}

check_live() {
    local f
    for f in Servis.mdb Stok.mdb; do
        [ "$(sqlite3 "$prefix/$f" 'PRAGMA integrity_check')" = ok ] || fail "$f is damaged after the kill"
    done
    [ "$(sqlite3 "$prefix/Servis.mdb" 'SELECT count(*) FROM Servis')" = "$rows" ] || fail "Servis rows lost"
    [ "$(sqlite3 "$prefix/Stok.mdb" 'SELECT count(*) FROM StokHareket')" = "$items" ] || fail "Stok rows lost"
}

# One more record behind the program's back, so that its close has something to back up.
write_one() {
    rows=$((rows + 1))
    sqlite3 "$prefix/Servis.mdb" "INSERT INTO Servis (ServisKayitNo, Unvan) VALUES
        (printf('%02d-%04d-02', $rows / 10000 + 1, $rows % 10000), 'Yeni $rows')"
}

close_program() { xdotool key --delay 50 alt+ccedilla; }
now_ms() { date +%s%3N; }

# The length of one backup: from the close to its folder under its final name.
write_one
e2e_start_program
before=$(final_folders | wc -l)
start=$(now_ms)
close_program
for _ in $(seq 3000); do [ "$(final_folders | wc -l)" -gt "$before" ] && break; sleep 0.01; done
length=$(($(now_ms) - start))
[ "$(final_folders | wc -l)" -gt "$before" ] || fail "no backup was made at the close"
wait "$program" || fail "the program ended with an error"
echo "one backup: $length ms"

halfbuilt=0
for i in $(seq 0 19); do
    write_one
    e2e_start_program
    close_program
    sleep "$(awk -v l="$length" -v i="$i" 'BEGIN { printf "%.3f", l * i / 20 / 1000 }')"
    kill -KILL "$program"
    wait "$program" 2>/dev/null || true
    [ -n "$(find "$backups" -mindepth 1 -maxdepth 1 -name '.Yedekleniyor-*' 2>/dev/null)" ] &&
        halfbuilt=$((halfbuilt + 1))
    e2e_start_program
    check_live
    while IFS= read -r folder; do check_manifest "$folder"; done < <(final_folders)
    kill "$program"
    wait "$program" 2>/dev/null || true
done

# Kills that all fell before or after the building would have proven nothing.
[ "$halfbuilt" -gt 0 ] || fail "no kill met a backup being built"

# A backup that runs to its end clears what the killed ones left.
write_one
e2e_start_program
close_program
for _ in $(seq 300); do kill -0 "$program" 2>/dev/null || break; sleep 0.1; done
wait "$program" || fail "the last close ended with an error"
left=$(find "$backups" -mindepth 1 -maxdepth 1 -name '.Yedekleniyor-*' | wc -l)
[ "$left" = 0 ] || fail "$left leftovers of killed backups remain"
check_live
while IFS= read -r folder; do check_manifest "$folder"; done < <(final_folders)
echo "end to end: 20 kills over an automatic backup ($halfbuilt while it was being built), every file and backup sound"
