#!/usr/bin/env bash
# Files with awkward names and the checksum lists the peer tools write of them, for the tests
# that check those lists (tests/cli/PeerListsTest.cpp):
#   peer-lists.sh OUT [--windows]
# OUT/data holds the files and the lists (names relative to it); OUT/lists.txt names each list
# that must check every intact file Good and every damaged one Bad, with its number of entries;
# OUT/damaged.txt the damaged files, one per line. Two files are damaged after the lists were
# made: " lead", whose intact twin "lead" a trimming reader would check instead, and a Greek one.
# --windows: only names Windows can hold (the Wine tests read OUT through drive Z:).
set -euo pipefail
out="$1"
windows="${2:-}"
rm -rf "$out"
mkdir -p "$out/data/sub/é"
cd "$out/data"

files=(abc.txt "café.txt" "Αρχείο.bin" "日本語.txt" "😀 smile.dat" "sub/é/deep.bin" " lead" lead)
[ -n "$windows" ] || files+=("trail " trail 'back\slash' $'line\nfeed')
for f in "${files[@]}"; do printf 'content of %s' "$f" >"$f"; done

# rhash takes a "\" of an argument for "/", and neither it nor cksfv escapes a line feed.
rh=() ck=()
for f in "${files[@]}"; do
    case "$f" in *$'\n'*) continue ;; esac
    ck+=("$f")
    case "$f" in *\\*) continue ;; esac
    rh+=("$f")
done

lists=()
list() { # list NAME ENTRIES: NAME was written
    lists+=("$1	$2")
}
md5sum -- "${files[@]}" >md5sum.md5
list md5sum.md5 ${#files[@]}
# Tag lines decide their digest whatever the extension says.
md5sum --tag -- "${files[@]}" >md5sum-tag.sfv
list md5sum-tag.sfv ${#files[@]}
{ sha1sum --tag -- "${files[@]}"; sha256sum --tag -- "${files[@]}"
  sha512sum --tag -- "${files[@]}"; } >sha-tags.txt
list sha-tags.txt $((3 * ${#files[@]}))
for f in "${rh[@]}"; do printf 'BLAKE3 (%s) = %s\n' "$f" "$(b3sum --no-names -- "$f")"; done \
    >blake3-tags.md5
list blake3-tags.md5 ${#rh[@]}
# The lists of the newer kinds, named as their tools' users name them: by extension, or SUMS.
sha1sum -- "${files[@]}" >sha1sum.sha1
list sha1sum.sha1 ${#files[@]}
sha256sum -- "${files[@]}" >SHA256SUMS
list SHA256SUMS ${#files[@]}
sha256sum --binary -- "${files[@]}" >binary.SHA256
list binary.SHA256 ${#files[@]}
sha512sum -- "${files[@]}" >sha512sum.sha512
list sha512sum.sha512 ${#files[@]}
b3sum -- "${files[@]}" >b3sum.b3
list b3sum.b3 ${#files[@]}
b3sum -- "${files[@]}" >B3SUMS
list B3SUMS ${#files[@]}
rhash --sfv -- "${rh[@]}" >rhash.sfv
list rhash.sfv ${#rh[@]}
rhash --md5 -- "${rh[@]}" >rhash.md5
list rhash.md5 ${#rh[@]}
rhash --bsd --crc32 --md5 --sha1 --sha256 --sha512 -- "${rh[@]}" >rhash-bsd.txt
list rhash-bsd.txt $((5 * ${#rh[@]}))
cksfv -- "${ck[@]}" >cksfv.sfv
list cksfv.sfv ${#ck[@]}
# As Notepad saves a list (UTF-8 with its mark, CR LF) and as Windows PowerShell 5 does with
# Get-FileHash ... | Out-File (UTF-16 LE with its mark, CR LF).
{ printf '\xEF\xBB\xBF'; sed 's/$/\r/' md5sum.md5; } >notepad.md5
list notepad.md5 ${#files[@]}
{ printf '\xFF\xFE'; sed 's/$/\r/' md5sum.md5 | iconv -f UTF-8 -t UTF-16LE; } >powershell.md5
list powershell.md5 ${#files[@]}
if [ -n "$windows" ]; then
    # The code page of the Wine prefix (1252) for the names it holds.
    md5sum -- abc.txt "café.txt" | iconv -f UTF-8 -t CP1252 >ansi.md5
    list ansi.md5 2
fi
# Tags this program does not compute: never Good.
rhash --bsd --sha3-256 --tth -- abc.txt >unsupported.txt

printf '%s\n' "${lists[@]}" >../lists.txt
printf '%s\n' " lead" "Αρχείο.bin" >../damaged.txt
printf 'CONTENT of  lead' >" lead"
printf 'CONTENT of Αρχείο.bin' >"Αρχείο.bin"
