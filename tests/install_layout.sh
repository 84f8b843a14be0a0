#!/usr/bin/env bash
# The install lays out a program directory and never overwrites a user's databases.
set -euo pipefail
build=$1
dir=$(mktemp -d)
home=$(mktemp -d)
trap 'rm -rf "$dir" "$home"' EXIT
# The install writes shortcuts into the user's folders: never the real ones.
export HOME=$home XDG_DATA_HOME=$home/data XDG_CONFIG_HOME=$home/config
unset WINDIR
cmake --install "$build" --prefix "$dir" >/dev/null
for f in KelvoraTeknikServis Uninstall kts-import Servis.mdb Stok.mdb Giris.wav Kapan.wav Cmd.wav Recycle.wav \
    st6unst.log Windows/st6unst.exe; do
    [ -e "$dir/$f" ] || { echo "missing $f"; exit 1; }
done
sqlite3 "$dir/Servis.mdb" .schema | grep -q 'CREATE TABLE Servis' || { echo "no Servis table"; exit 1; }
sqlite3 "$dir/Stok.mdb" .schema | grep -q 'CREATE TABLE StokKartlar' || { echo "no StokKartlar table"; exit 1; }
sqlite3 "$dir/Servis.mdb" "INSERT INTO Cari (Unvan) VALUES ('Elle Eklenen')"
cmake --install "$build" --prefix "$dir" >/dev/null
[ "$(sqlite3 "$dir/Servis.mdb" "SELECT count(*) FROM Cari WHERE Unvan='Elle Eklenen'")" = 1 ] ||
    { echo "reinstall lost a row"; exit 1; }
grep -q 'Path='"$dir"'$' "$XDG_DATA_HOME/applications/Kelvora Teknik Servis.desktop" ||
    { echo "no menu shortcut starting in the program directory"; exit 1; }
echo "install layout: 1 passed, 0 failed"
