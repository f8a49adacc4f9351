// crt.mjs against Draco's own WebAssembly decoder (the draco3d npm package)
// in one Node process, on the streams crt_decode_bench writes: for each mesh
// and form, Draco's stream and every crt variant, decoded in alternating runs
// (a run as decoders.mjs has it: decode, arrays copied out).
// Each codec's best and median wall time are given, and its median CPU time
// (the process's, which other programs on a shared machine disturb less).
//
//   node bench/web/race.mjs STREAMS_DIR CRT_MJS [--runs N]
import { readdirSync, readFileSync, statSync } from 'node:fs';
import { join } from 'node:path';
import { pathToFileURL } from 'node:url';

import { crtDecoder, dracoDecoder, dracoWasmPath } from './decoders.mjs';

const [streamsDir, crtModule] = process.argv.slice(2);
const runsAt = process.argv.indexOf('--runs');
const runs = runsAt > 0 ? Number(process.argv[runsAt + 1]) : 25;
if (!streamsDir || !crtModule || !(runs >= 1)) {
    console.log('usage: node bench/web/race.mjs STREAMS_DIR CRT_MJS [--runs N]');
    process.exit(2);
}

const [dracoDecode, crtDecode] = [await dracoDecoder(), await crtDecoder(crtModule)];

const median = (v) => {
    const s = [...v].sort((a, b) => a - b);
    return s.length % 2 ? s[(s.length - 1) / 2] : (s[s.length / 2 - 1] + s[s.length / 2]) / 2;
};

// MESH-FORM-CODEC.drc / .crt, grouped by MESH-FORM with Draco first.
const groups = new Map();
for (const file of readdirSync(streamsDir).sort()) {
    const m = /^(.+?-(?:positions|normals))-(.+)\.(drc|crt)$/.exec(file);
    if (!m) continue;
    if (!groups.has(m[1])) groups.set(m[1], []);
    const entry = { name: m[2], bytes: new Uint8Array(readFileSync(join(streamsDir, file))) };
    entry.decode = m[3] === 'drc' ? () => dracoDecode(entry.bytes) : () => crtDecode(entry.bytes);
    groups.get(m[1])[m[3] === 'drc' ? 'unshift' : 'push'](entry);
}
if (groups.size === 0) throw new Error(`no streams in ${streamsDir}: run crt_decode_bench --write-streams ${streamsDir}`);

const wasmBytes = (path) => statSync(path).size;
console.log(`Node ${process.version}; crt.wasm ${wasmBytes(new URL('crt.wasm', pathToFileURL(crtModule)))} bytes, ` +
    `draco_decoder.wasm ${wasmBytes(dracoWasmPath())} bytes; ` +
    `${runs} runs each, alternating`);
for (const [label, codecs] of groups) {
    if (!codecs[0].name.startsWith('draco')) throw new Error(`${label}: no Draco stream`);
    const faces = codecs[0].decode().faceCount;
    let vertices = 0;
    for (const c of codecs) {
        const mesh = c.decode();  // warm-up and check
        if (mesh.faceCount !== faces) throw new Error(`${label}: ${c.name} decoded ${mesh.faceCount} faces, not ${faces}`);
        c.vertices = mesh.positions.length / 3;
        vertices = Math.max(vertices, c.vertices);
        if ((mesh.normals === null) !== label.endsWith('-positions'))
            throw new Error(`${label}: ${c.name} normals ${mesh.normals ? 'present' : 'absent'}`);
        c.seconds = [];
        c.cpuSeconds = [];
    }
    for (let r = 0; r < runs; ++r) {
        for (const c of codecs) {
            const [start, cpuStart] = [performance.now(), process.cpuUsage()];
            c.decode();
            const cpu = process.cpuUsage(cpuStart);
            c.seconds.push((performance.now() - start) / 1000);
            c.cpuSeconds.push((cpu.user + cpu.system) / 1e6);
        }
    }
    const [dracoBest, dracoMedian, dracoCpu] =
        [Math.min(...codecs[0].seconds), median(codecs[0].seconds), median(codecs[0].cpuSeconds)];
    console.log(`\n${label}: ${vertices} vertices, ${faces} triangles`);
    console.log(`  ${'codec'.padEnd(36)} ${'bytes'.padStart(10)} ${'bits/vx'.padStart(8)} ${'best Mtri/s'.padStart(12)}` +
        ` ${'median Mtri/s'.padStart(14)} ${'vs draco (b/m)'.padStart(16)} ${'CPU ms'.padStart(8)} ${'vs draco'.padStart(9)}`);
    for (const c of codecs) {
        const [best, med, cpu] = [Math.min(...c.seconds), median(c.seconds), median(c.cpuSeconds)];
        console.log(`  ${c.name.padEnd(36)} ${String(c.bytes.length).padStart(10)} ` +
            `${((c.bytes.length * 8) / c.vertices).toFixed(2).padStart(8)} ${(faces / best / 1e6).toFixed(1).padStart(12)} ` +
            `${(faces / med / 1e6).toFixed(1).padStart(14)} ` +
            `${`${(dracoBest / best).toFixed(2)}x/${(dracoMedian / med).toFixed(2)}x`.padStart(16)} ` +
            `${(cpu * 1000).toFixed(1).padStart(8)} ${`${(dracoCpu / cpu).toFixed(2)}x`.padStart(9)}`);
    }
}
