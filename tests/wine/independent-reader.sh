#!/bin/bash
# A reader of design files that is not ours, pcb-rnd, loads a design before and after
# morvane-convert.exe (run under Wine as Morvane starts it, jumpers on) makes its top and
# then its bottom layer the jumper layer. Both must load as the same board: the same parts
# at the same places, the same nets with the same pins, the same layer stack, and no new
# message but one "unhandled library item jumper" per descriptor written.
# A layer that cannot carry jumpers (a power layer, or the design's last signal layer) must
# instead be refused, the design left byte for byte as it was.
# Usage: independent-reader.sh <wine-run.sh> <morvane-convert.exe> <scratch folder> <design>
#        [<layers to be refused, e.g. "Top Bottom">]
# Exits 77 (skipped) when pcb-rnd cannot load the original design.
set -euo pipefail

wine_run=$1 converter=$2 scratch=$3 design=$4 refused_layers=${5:-}
name=$(basename "$design")
kSkipped=77

# Loads a design in pcb-rnd's batch mode and saves what it read beside it: parts.csv, the
# placed parts; netlist.tdx, the nets with their pins; stackup.tdx, the layer stack;
# messages.txt, what pcb-rnd said while loading and saving.
read_back() {
    local folder=$1
    (
        cd "$folder"
        printf '%s\n' 'SaveTedax(netlist, netlist.tdx)' 'SaveTedax(stackup, stackup.tdx)' \
            'Export(XY, --xyfile, parts.csv, --xy-unit, mm)' |
            timeout 120 pcb-rnd --gui batch "$name" 2>&1 |
            # Where a message points to moves with the lines the converter adds.
            sed -E 's/ \(at [0-9]+:[0-9]+\)//' >messages.txt
    )
    # The parts list carries the time it was made.
    sed -i '/^# Date: /d' "$folder/parts.csv"
}

loaded() {
    ! grep -q 'IO error during load' "$1/messages.txt"
}

failures=0
fail() {
    echo "FAIL $name, jumpers on $layer: $*"
    failures=$((failures + 1))
}

rm -rf "$scratch"
mkdir -p "$scratch/original"
cp "$design" "$scratch/original/"
read_back "$scratch/original"
if ! loaded "$scratch/original"; then
    echo "SKIP $name: pcb-rnd cannot load the original design:"
    grep 'IO error during load\|^E: ' "$scratch/original/messages.txt" | head -n 3
    exit $kSkipped
fi

# The via of the jumpers: the first the design's structure offers, as the Jumper page would
# store it (the page keeps single quotes, which the converter takes off).
via=$(sed -n "s/^ *(via \(\"[^\"]*\"\|'[^']*'\|[^ )]*\).*/\1/p" "$design" | head -n 1 |
    tr -d '"')

windows_path() { "$wine_run" winepath -w "$1" | tr -d '\r'; }
registry() { "$wine_run" reg "$@" >/dev/null 2>&1; }
set_value() { registry add 'HKCU\Software\KVX' /v "$1" /t "$2" /d "$3" /f; }
registry delete 'HKCU\Software\KVX' /f || true
set_value JEnable REG_DWORD 1
set_value JUnit REG_DWORD 1
set_value JStep REG_SZ 2.50
set_value JMaxLength REG_SZ 15
set_value JVia REG_SZ "$via"
set_value JDir REG_SZ orthogonal

for layer in Top Bottom; do
    folder=$scratch/$(tr 'A-Z' 'a-z' <<<"$layer")
    mkdir -p "$folder"
    cp "$design" "$folder/"
    cp "$converter" "$folder/"
    set_value JLayer REG_SZ "$layer"
    # Morvane hands the converter the board and design names lowered, its own path quoted.
    base=$(windows_path "$folder/${name%.dsn}" | tr 'A-Z' 'a-z')
    converted=true
    "$wine_run" "$folder/$(basename "$converter")" "$base.pcb" "$base.dsn" </dev/null \
        >/dev/null 2>&1 || converted=false
    if [[ " $refused_layers " == *" $layer "* ]]; then
        if $converted || ! cmp -s "$design" "$folder/$name" ||
            ! grep -q '^Error: layer ' "$folder/kvxconvert.txt"; then
            fail "not refused, or not left as it was: $(tail -n 2 "$folder/kvxconvert.txt" 2>&1)"
        fi
        continue
    fi
    if ! $converted; then
        fail "the converter failed: $(grep Error "$folder/kvxconvert.txt" 2>&1)"
        continue
    fi
    if cmp -s "$design" "$folder/$name"; then
        fail "the design was not converted: $(tail -n 1 "$folder/kvxconvert.txt" 2>&1)"
        continue
    fi
    read_back "$folder"
    if ! loaded "$folder"; then
        fail "pcb-rnd cannot load the converted design: $(grep 'IO error' "$folder/messages.txt")"
        continue
    fi
    for file in parts.csv netlist.tdx stackup.tdx; do
        cmp -s "$scratch/original/$file" "$folder/$file" ||
            fail "$file differs: $(diff "$scratch/original/$file" "$folder/$file" | head -n 6)"
    done
    descriptors=$(grep -o '(jumper (length ' "$folder/$name" | wc -l)
    warnings=$(grep -c 'unhandled library item jumper' "$folder/messages.txt" || true)
    [ "$warnings" -eq "$descriptors" ] ||
        fail "$warnings jumper warnings for $descriptors descriptors"
    new_messages=$(grep -v 'unhandled library item jumper' "$folder/messages.txt" |
        diff "$scratch/original/messages.txt" - || true)
    [ -z "$new_messages" ] || fail "other messages than the original's: $new_messages"
done
registry delete 'HKCU\Software\KVX' /f || true

summary="ok   $name:"
for layer in Top Bottom; do
    if [[ " $refused_layers " == *" $layer "* ]]; then
        summary+=" refused and left as it was with jumpers on $layer;"
    else
        summary+=" loads as the same board with jumpers on $layer;"
    fi
done
[ "$failures" -eq 0 ] && echo "${summary%;}"
[ "$failures" -eq 0 ]
