#!/usr/bin/env bash
# The install lays out a program directory and never overwrites a user's databases.
set -euo pipefail
build=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cmake --install "$build" --prefix "$dir" >/dev/null
for f in KelvoraTeknikServis kts-import Servis.mdb Stok.mdb Giris.wav Kapan.wav Cmd.wav Recycle.wav; do
    [ -e "$dir/$f" ] || { echo "missing $f"; exit 1; }
done
sqlite3 "$dir/Servis.mdb" .schema | grep -q 'CREATE TABLE Servis' || { echo "no Servis table"; exit 1; }
sqlite3 "$dir/Stok.mdb" .schema | grep -q 'CREATE TABLE StokKartlar' || { echo "no StokKartlar table"; exit 1; }
sqlite3 "$dir/Servis.mdb" "INSERT INTO Cari (Unvan) VALUES ('Elle Eklenen')"
cmake --install "$build" --prefix "$dir" >/dev/null
[ "$(sqlite3 "$dir/Servis.mdb" "SELECT count(*) FROM Cari WHERE Unvan='Elle Eklenen'")" = 1 ] ||
    { echo "reinstall lost a row"; exit 1; }
echo "install layout: 1 passed, 0 failed"
