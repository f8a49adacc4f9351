#!/usr/bin/env bash
# crt-tool from the command line: encode an OBJ and a PLY, describe and
# decode the streams, check the decoded PLY against the input, write the seed
# streams, and check that failures print one line and exit non-zero.
set -euo pipefail
TOOL="${QUELLIN_BUILD_DIR:?QUELLIN_BUILD_DIR must name the build folder}/crt-tool"
[ -x "$TOOL" ] || { echo "no crt-tool at $TOOL"; exit 1; }
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT

fail() { echo "FAIL: $*"; exit 1; }
expect_line() {  # file, fixed text
    grep -qF -- "$2" "$1" || { cat "$1"; fail "'$2' missing from $(basename "$1")"; }
}

# A unit cube of quads (8 vertices, 12 triangles once triangulated).
cat > "$WORK/cube.obj" <<'OBJ'
v 0 0 0
v 1 0 0
v 1 1 0
v 0 1 0
v 0 0 1
v 1 0 1
v 1 1 1
v 0 1 1
f 1 4 3 2
f 5 6 7 8
f 1 2 6 5
f 2 3 7 6
f 3 4 8 7
f 4 1 5 8
OBJ

# A square of two triangles with normals and colours, plus one vertex in the middle.
cat > "$WORK/square.ply" <<'PLY'
ply
format ascii 1.0
element vertex 5
property float x
property float y
property float z
property float nx
property float ny
property float nz
property uchar red
property uchar green
property uchar blue
property uchar alpha
element face 4
property list uchar int vertex_indices
end_header
0 0 0 0 0 1 255 0 0 255
2 0 0 0 0 1 0 255 0 255
2 2 0 0 0 1 0 0 255 255
0 2 0 0 0 1 255 255 255 255
1 1 0.5 0 0 1 10 20 30 255
3 0 1 4
3 1 2 4
3 2 3 4
3 3 0 4
PLY

# Encode with merged vertices, look at the description, decode to ASCII PLY.
"$TOOL" encode "$WORK/cube.obj" "$WORK/cube.crt" --merge --pos-bits 12 --entropy raw > "$WORK/enc.txt"
"$TOOL" info "$WORK/cube.crt" > "$WORK/cube.txt"
expect_line "$WORK/cube.txt" "vertices: 8"
expect_line "$WORK/cube.txt" "faces: 12"
expect_line "$WORK/cube.txt" "entropy: raw"
expect_line "$WORK/cube.txt" "position: codec generic"
expect_line "$WORK/cube.txt" "topology symbols:"
expect_line "$WORK/cube.txt" "index bits:"
expect_line "$WORK/cube.txt" "attribute 'position':"
"$TOOL" decode "$WORK/cube.crt" "$WORK/cube.ply" --ascii > /dev/null
expect_line "$WORK/cube.ply" "element vertex 8"
expect_line "$WORK/cube.ply" "element face 12"
# The decoded corners are the cube's corners (in another order).
awk '/end_header/ {body = 1; next} body && NF == 3 {printf "%d %d %d\n", $1 + 0.5, $2 + 0.5, $3 + 0.5}' "$WORK/cube.ply" | sort > "$WORK/got.txt"
grep '^v ' "$WORK/cube.obj" | awk '{print $2, $3, $4}' | sort > "$WORK/want.txt"
cmp -s "$WORK/got.txt" "$WORK/want.txt" || fail "decoded cube corners differ"
awk '/end_header/ {body = 1; next} body && NF == 3 {
        for (i = 1; i <= 3; ++i) { r = $i - int($i + 0.5); if (r > 0.001 || r < -0.001) bad = 1 } }
     END { exit bad }' "$WORK/cube.ply" || fail "a cube corner is off by more than the quantisation"

# Normals, colours, tags, every option that takes a value.
"$TOOL" encode "$WORK/square.ply" "$WORK/square.crt" --normals diff --normal-bits 8 --color-steps 2,2,2,4 \
    --color-channels 4 --pos-step 0.01 --entropy tunstall --parallelogram off --shared-bits off \
    --tag author=quellin > /dev/null
"$TOOL" info "$WORK/square.crt" > "$WORK/square.txt"
expect_line "$WORK/square.txt" "vertices: 5"
expect_line "$WORK/square.txt" "faces: 4"
expect_line "$WORK/square.txt" "author = quellin"
expect_line "$WORK/square.txt" "normal: codec normal, q 127, components 3"
expect_line "$WORK/square.txt" "mode diff"
expect_line "$WORK/square.txt" "color: codec color"
expect_line "$WORK/square.txt" "position: codec generic, q 0.00999999978, components 3, format f32, strategy plain"
"$TOOL" decode "$WORK/square.crt" "$WORK/square-out.ply" --ascii > /dev/null
expect_line "$WORK/square-out.ply" "property float nx"
expect_line "$WORK/square-out.ply" "property uchar red"
# The middle vertex keeps its height and its colour within the steps.
awk '/end_header/ {body = 1; next}
     body && NF == 10 && $1 > 0.99 && $1 < 1.01 && $2 > 0.99 && $2 < 1.01 {
        found = 1
        if ($3 < 0.495 || $3 > 0.505) bad = "height " $3
        if ($7 < 9 || $7 > 11 || $8 < 19 || $8 > 21 || $9 < 29 || $9 > 31) bad = "colour " $7 " " $8 " " $9
        if ($6 < 0.99) bad = "normal " $4 " " $5 " " $6 }
     END { if (!found) { print "middle vertex missing"; exit 1 } if (bad != "") { print bad; exit 1 } }' \
     "$WORK/square-out.ply" || fail "middle vertex of the square"
# Merged vertices of a file without normals get smooth normals too.
"$TOOL" encode "$WORK/cube.obj" "$WORK/smooth.crt" --merge --normals diff > /dev/null
"$TOOL" info "$WORK/smooth.crt" > "$WORK/smooth.txt"
expect_line "$WORK/smooth.txt" "vertices: 8"
expect_line "$WORK/smooth.txt" "normal: codec normal"

# Without the search the stream may be larger but decodes to the same file.
"$TOOL" encode "$WORK/square.ply" "$WORK/plain.crt" --search off > /dev/null
"$TOOL" encode "$WORK/square.ply" "$WORK/searched.crt" --search on > /dev/null
"$TOOL" decode "$WORK/plain.crt" "$WORK/plain.ply" > /dev/null
"$TOOL" decode "$WORK/searched.crt" "$WORK/searched.ply" > /dev/null
cmp -s "$WORK/plain.ply" "$WORK/searched.ply" || fail "--search changed the decoded mesh"
# The binary PLY the tool writes reads back in.
"$TOOL" decode "$WORK/square.crt" "$WORK/square-bin.ply" > /dev/null
"$TOOL" encode "$WORK/square-bin.ply" "$WORK/again.crt" --normals rim > /dev/null
"$TOOL" info "$WORK/again.crt" | grep -qF "faces: 4" || fail "binary PLY did not read back"

# Seed streams: every one describes, every mesh decodes.
"$TOOL" seeds "$WORK/seeds" > /dev/null
count=0
for f in "$WORK"/seeds/*.crt; do
    "$TOOL" info "$f" > /dev/null || fail "info $f"
    if "$TOOL" info "$f" | grep -qF "faces: 0"; then continue; fi
    "$TOOL" decode "$f" "$WORK/seed.ply" > /dev/null || fail "decode $f"
    count=$((count + 1))
done
[ "$count" -ge 5 ] || fail "only $count seed meshes"

# Failures: one line, non-zero status.
one_line_failure() {  # description, command...
    local what="$1"; shift
    if "$@" > "$WORK/out.txt" 2>&1; then fail "$what succeeded"; fi
    [ "$(wc -l < "$WORK/out.txt")" -eq 1 ] || { cat "$WORK/out.txt"; fail "$what printed more than one line"; }
}
head -c 40 "$WORK/square.crt" > "$WORK/short.crt"
one_line_failure "info of a truncated stream" "$TOOL" info "$WORK/short.crt"
one_line_failure "decode of a truncated stream" "$TOOL" decode "$WORK/short.crt" "$WORK/x.ply"
one_line_failure "a missing input" "$TOOL" encode "$WORK/none.obj" "$WORK/x.crt"
one_line_failure "an unknown option" "$TOOL" encode "$WORK/cube.obj" "$WORK/x.crt" --frobnicate
one_line_failure "a bad step list" "$TOOL" encode "$WORK/cube.obj" "$WORK/x.crt" --color-steps 1,2,3
one_line_failure "not a crt file" "$TOOL" info "$WORK/cube.obj"
one_line_failure "no command" "$TOOL"
"$TOOL" --help | grep -qF "crt-tool encode IN OUT" || fail "--help"
echo "crt-tool: all checks passed"
