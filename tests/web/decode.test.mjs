// The crt package in Node against the native decoder: CRT_STREAMS holds
// NAME.crt streams and, for each, NAME.native, what the native decoder made
// of it (written by crt_web_reference); CRT_MODULE is the package's Node
// entry (crt-node.mjs).
import assert from 'node:assert/strict';
import { readdirSync, readFileSync } from 'node:fs';
import { join } from 'node:path';
import { test } from 'node:test';
import { pathToFileURL } from 'node:url';

const { load, decode, info, CrtError, Status } = await import(pathToFileURL(process.env.CRT_MODULE));
const dir = process.env.CRT_STREAMS;
const streams = readdirSync(dir).filter((f) => f.endsWith('.crt')).sort();
const read = (name) => new Uint8Array(readFileSync(join(dir, name)));
assert.throws(() => decode(new Uint8Array(8)), { message: 'decode: the decoder is not loaded yet; await load() first' });
await load();

// { outcome, arrays: [positions, indices, normals, colors, uvs] as bytes or null }
function nativeResult(name) {
    const bytes = readFileSync(join(dir, name.replace(/\.crt$/, '.native')));
    const lineEnd = bytes.indexOf(10);
    const result = { outcome: bytes.subarray(0, lineEnd).toString(), arrays: [] };
    for (let at = lineEnd + 1; at < bytes.length;) {
        const count = bytes.readUInt32LE(at);
        at += 4;
        if (count === 0xffffffff) {
            result.arrays.push(null);
        } else {
            result.arrays.push(bytes.subarray(at, at + 4 * count));
            at += 4 * count;
        }
    }
    return result;
}

const bytesOf = (array) => (array ? Buffer.from(array.buffer, array.byteOffset, array.byteLength) : null);

function firstDifference(got, want) {
    for (let i = 0; i < Math.max(got.length, want.length); i += 4) {
        if (got.readUInt32LE(i) !== want.readUInt32LE(i)) return `element ${i / 4}`;
    }
    return `lengths ${got.length / 4} and ${want.length / 4}`;
}

test('every stream decodes to the native arrays bit for bit, or is refused with the native message; info() agrees', () => {
    const outcomes = {};
    for (const name of streams) {
        const want = nativeResult(name);
        const kind = want.outcome.startsWith('error ') ? 'error' : want.outcome;
        outcomes[kind] = (outcomes[kind] || 0) + 1;
        let got;
        try {
            got = decode(read(name));
        } catch (e) {
            assert.ok(e instanceof CrtError && e instanceof Error, `${name}: ${e}`);
            if (want.outcome === 'no faces') assert.equal(e.status, Status.NO_FACES, name);
            // Counts beyond 2^26 elements are beyond the default limits too.
            else if (want.outcome === 'too large') assert.equal(e.status, Status.LIMIT, name);
            else assert.equal(`error ${e.message}`, want.outcome, name);
            continue;
        }
        assert.equal(want.outcome, 'ok', `${name} decoded, natively: ${want.outcome}`);
        const arrays = [got.positions, got.indices, got.normals, got.colors, got.uvs];
        ['positions', 'indices', 'normals', 'colors', 'uvs'].forEach((field, k) => {
            const [g, w] = [bytesOf(arrays[k]), want.arrays[k]];
            assert.equal(g === null, w === null, `${name}: ${field} ${g ? 'present' : 'absent'}`);
            if (g && !g.equals(w)) assert.fail(`${name}: ${field} differ at ${firstDifference(g, w)}`);
        });
        assert.ok(got.indices instanceof Uint32Array && (!got.positions || got.positions instanceof Float32Array));
        assert.equal(got.indices.length, 3 * got.faceCount, name);
        if (got.positions) assert.equal(got.positions.length % got.vertexCount, 0, name);
        // The header read alone promises exactly the arrays the decode gives.
        const facts = info(read(name));
        assert.deepEqual([facts.vertexCount, facts.faceCount], [got.vertexCount, got.faceCount], name);
        assert.equal(facts.outputBytes, arrays.reduce((sum, a) => sum + (a ? a.byteLength : 0), 0), name);
        const position = facts.attributes.find((a) => a.name === 'position');
        if (got.positions) assert.equal(position.components * got.vertexCount, got.positions.length, name);
    }
    // The set must hold decodable streams of every kind and refusals of each sort.
    assert.ok(outcomes.ok >= 15 && outcomes.error >= 10 && outcomes['no faces'] && outcomes['too large'],
        JSON.stringify(outcomes));
});

test('every cut of a decodable stream is refused as truncated or corrupt', () => {
    let cuts = 0;
    for (const name of streams) {
        if (nativeResult(name).outcome !== 'ok') continue;
        const bytes = read(name);
        // Every cut of the small streams, a few hundred spread over the larger.
        const step = Math.max(1, Math.floor(bytes.length / 300));
        for (let end = 0; end < bytes.length; end += step, ++cuts) {
            assert.throws(() => decode(bytes.subarray(0, end)), (e) =>
                e instanceof CrtError && ['Truncated crt stream.', 'Corrupt crt stream.'].includes(e.message),
                `${name} cut at ${end}`);
        }
    }
    assert.ok(cuts > 3000, `${cuts} cuts`);
});

test('bytes come as any view or buffer; the module goes on after failures', () => {
    const name = 'sphere-every-attribute.crt';
    const bytes = read(name);
    const want = decode(bytes);
    assert.ok(want.normals && want.colors && want.uvs, 'the sample has every attribute');
    // A view at an offset into a larger buffer, and a bare ArrayBuffer.
    const padded = new Uint8Array(bytes.length + 7);
    padded.set(bytes, 7);
    assert.deepEqual(decode(padded.subarray(7)), want);
    assert.deepEqual(decode(bytes.slice().buffer), want);
    assert.throws(() => decode('not bytes'), TypeError);
    assert.throws(() => decode(new Uint8Array(0)), CrtError);
    assert.throws(() => decode(new TextEncoder().encode('PK\x03\x04 a zip file, not a mesh')),
        { name: 'CrtError', message: 'Not a crt file.' });
    // Many failures in a row leave nothing behind that changes the next result.
    for (let i = 0; i < 200; ++i) assert.throws(() => decode(bytes.subarray(0, bytes.length / 2)), CrtError);
    assert.deepEqual(decode(bytes), want);
});

test('a stream asking for more than the limits is refused at once, in little memory', () => {
    // 91 bytes, a fan of a hundred million triangles (crt_web_reference).
    const fan = read('fan-of-a-hundred-million-triangles.crt');
    assert.equal(fan.length, 91);
    const facts = info(fan);
    assert.deepEqual([facts.faceCount, facts.vertexCount], [100000000, 100000002]);
    assert.equal(facts.outputBytes, 12 * 100000000 + 12 * 100000002);  // indices and positions
    assert.ok(facts.workingBytes > 40 * 100000000, `${facts.workingBytes}`);

    const rss = process.memoryUsage().rss;
    const start = performance.now();
    const refusals = [
        [undefined, 'The crt stream needs 100000002 vertices; the limit is 16777216.'],
        [{ maxVertices: 0, maxFaces: 0, maxBytes: 64 << 20 }, 'bytes of output and working memory; the limit is 67108864.'],
        [{ maxVertices: Infinity, maxFaces: 1000000 }, 'The crt stream needs 100000000 faces; the limit is 1000000.'],
    ];
    for (const [limits, message] of refusals) {
        assert.throws(() => decode(fan, { limits }), (e) => e instanceof CrtError && e.status === Status.LIMIT &&
            e.message.endsWith(message), JSON.stringify(limits));
    }
    // Without limits, arrays no WebAssembly heap could hold are refused before the heap grows.
    assert.throws(() => decode(fan, { limits: { maxVertices: 0, maxFaces: 0, maxBytes: 0 } }),
        { name: 'CrtError', status: Status.OUT_OF_MEMORY, message: 'Too large to decode here: 100000002 vertices, 100000000 faces.' });
    const [milliseconds, grown] = [performance.now() - start, process.memoryUsage().rss - rss];
    assert.ok(milliseconds < 1000 && grown < 8 << 20, `${milliseconds} ms, ${grown} bytes more`);

    assert.throws(() => decode(new Uint8Array(4096), { limits: { maxBytes: 4000 } }),
        { status: Status.LIMIT, message: 'The crt stream is 4096 bytes; the limit is 4000.' });
    assert.throws(() => decode(fan, { limits: { maxFaces: -1 } }), RangeError);
    assert.throws(() => decode(fan, { limits: { maxBytes: '1 GB' } }), RangeError);
    assert.throws(() => decode(fan, { limits: 5 }), TypeError);
});
