// Decodes a crt file with the @quellin/crt package and prints what it holds.
// The file comes from outside, so it is decoded under the default limits.
//   npm install @quellin/crt && node decode.mjs MESH.crt
import { readFile } from 'node:fs/promises';

import { CrtError, Status, decode, info, load } from '@quellin/crt';

const path = process.argv[2];
if (!path) {
    console.log('usage: node decode.mjs MESH.crt');
    process.exit(2);
}
const bytes = await readFile(path);

// Once, before the first decode: loads crt.wasm from beside the package.
await load();
try {
    // The header alone: counts, attributes and what a decode will take.
    const header = info(bytes);
    console.log(`${header.vertexCount} vertices, ${header.faceCount} triangles`);
    for (const attribute of header.attributes) {
        console.log(`attribute ${attribute.name}: ${attribute.components} floats per vertex`);
    }
    console.log(`decoding makes ${header.outputBytes} bytes of arrays and takes at most ${header.workingBytes} more`);

    // Typed arrays, interleaved per vertex; null for what the file lacks.
    const mesh = decode(bytes);
    if (mesh.positions && mesh.vertexCount > 0) {
        const width = mesh.positions.length / mesh.vertexCount;
        const low = [...mesh.positions.subarray(0, 3)];
        const high = [...low];
        for (let i = 0; i < mesh.positions.length; i += width) {
            for (let k = 0; k < 3; ++k) {
                low[k] = Math.min(low[k], mesh.positions[i + k]);
                high[k] = Math.max(high[k], mesh.positions[i + k]);
            }
        }
        const point = (p) => `(${p.map((x) => x.toFixed(3)).join(', ')})`;
        console.log(`bounds: ${point(low)} to ${point(high)}`);
    }
    console.log(`first triangle: ${mesh.indices.subarray(0, 3).join(' ')}`);
} catch (e) {
    if (!(e instanceof CrtError)) throw e;
    // A damaged file, or one asking for more than the limits (Status.LIMIT).
    console.log(`${path}: ${e.message}${e.status === Status.LIMIT ? ' (refused: beyond the limits)' : ''}`);
    process.exitCode = 1;
}
