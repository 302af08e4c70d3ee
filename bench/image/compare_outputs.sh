#!/usr/bin/env bash
# compare_outputs.sh OLD NEW CORPUS: runs two builds of px40318 on every folder of CORPUS
# (made by output_corpus.py) with compile (plain, --quiet, --strict), check (text, --json),
# map (text, csv), report and dbc, and compares standard output, standard error, the exit
# status and every file written (the four images, the DBC). Exit status 1 on a difference.
set -u
OLD=$(realpath "$1"); NEW=$(realpath "$2"); CORPUS=$(realpath "$3")
W=$(mktemp -d)
fail=0; runs=0
run() {   # bin tag args...
    local bin=$1 tag=$2; shift 2
    (cd "$W/run" && "$bin" "$@" >"$W/$tag.out" 2>"$W/$tag.err"; echo $? >"$W/$tag.rc")
}
for dir in "$CORPUS"/*/; do
    name=$(basename "$dir")
    for cmd in "compile cfg --out out" "compile cfg --out out --quiet" "compile cfg --out out --strict" \
               "check cfg" "check cfg --json" "map cfg" "map cfg --format csv" "report cfg" "dbc cfg --out out.dbc"; do
        for side in old new; do
            rm -rf "$W/run"; mkdir -p "$W/run"; cp -r "$dir" "$W/run/cfg"
            bin=$OLD; [ $side = new ] && bin=$NEW
            run "$bin" $side $cmd
            # The report names the minute it was made.
            [ "${cmd%% *}" = report ] && sed -i -E 's|<td>[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}</td>|<td>DATE</td>|' "$W/$side.out"
            rm -rf "$W/img_$side"; mkdir -p "$W/img_$side"
            [ -d "$W/run/out" ] && cp -r "$W/run/out/." "$W/img_$side/"
            [ -f "$W/run/out.dbc" ] && cp "$W/run/out.dbc" "$W/img_$side/"
        done
        runs=$((runs+1))
        for k in out err rc; do
            if ! cmp -s "$W/old.$k" "$W/new.$k"; then echo "DIFF $name [$cmd] $k"; fail=1; fi
        done
        if ! diff -r "$W/img_old" "$W/img_new" >/dev/null; then echo "DIFF $name [$cmd] images"; fail=1; fi
    done
done
echo "$runs command runs compared on $(ls "$CORPUS" | wc -l) folders; differences: $fail"
rm -rf "$W"
exit $fail
