// crt.mjs, the crt decoder as an ES module:
//
//   import { decode, CrtError } from './crt.mjs';
//   const mesh = decode(bytes);  // a Uint8Array or ArrayBuffer holding a .crt file
//
// decode returns { positions, indices, normals, colors, uvs, faceCount,
// vertexCount }: Float32Arrays (indices a Uint32Array) interleaved per vertex,
// null for an attribute the file does not hold. A damaged file throws a
// CrtError (an Error) with the decoder's message.
//
// This part runs inside the Emscripten glue, where the heap views and the
// exported C functions are in scope; crt-load.js exports what it puts on
// the module.

const CRT_OUT_OF_MEMORY = 10;
// 32-bit WebAssembly memory, as far as the glue lets it grow.
const MAX_HEAP_BYTES = 2 ** 31;
// The attributes a caller gets, by their names in the stream.
const OUTPUTS = ['position', 'normal', 'color', 'uv'];
// Scratch words for the handle and the records the C functions fill, each
// starting with its struct_size: crt_mesh_info (8 words), crt_attribute_info
// (5), crt_outputs (11 on wasm32, where pointers and size_t are 32 bits).
const SCRATCH_BYTES = 128;
const MESH_INFO_BYTES = 32;
const ATTRIBUTE_INFO_BYTES = 20;
const OUTPUTS_BYTES = 44;

class CrtError extends Error {
    constructor(message, status) {
        super(message);
        this.name = 'CrtError';
        this.status = status;
    }
}

function decode(bytes) {
    const input = asBytes(bytes);
    const blocks = [];
    let decoder = 0;
    let size = `${input.length} bytes`;  // what the error names when memory runs out
    const tooLarge = () => new CrtError(`Too large to decode here: ${size}.`, CRT_OUT_OF_MEMORY);
    const allocate = (byteCount) => {
        const block = byteCount <= MAX_HEAP_BYTES ? _malloc(Math.max(byteCount, 1)) : 0;
        if (!block) throw tooLarge();
        blocks.push(block);
        return block;
    };
    try {
        const data = allocate(input.length);
        HEAPU8.set(input, data);
        const scratch = allocate(SCRATCH_BYTES) >> 2;  // in 32-bit words

        check(_crt_decoder_create(data, input.length, scratch << 2));
        decoder = HEAPU32[scratch];
        HEAPU32[scratch] = MESH_INFO_BYTES;
        check(_crt_decoder_info(decoder, scratch << 2));
        const [vertexCount, faceCount, attributeCount] = HEAPU32.subarray(scratch + 1, scratch + 4);
        size = `${vertexCount} vertices, ${faceCount} faces`;
        const widths = new Map();
        for (let i = 0; i < attributeCount; ++i) {
            HEAPU32[scratch] = ATTRIBUTE_INFO_BYTES;
            check(_crt_decoder_attribute(decoder, i, scratch << 2));
            widths.set(UTF8ToString(HEAPU32[scratch + 2]), HEAPU32[scratch + 1]);
        }

        // All sizes are known before anything is allocated: counts no heap
        // could hold are refused before the heap grows for them.
        const lengths = { indices: 3 * faceCount };
        for (const name of OUTPUTS) {
            if (widths.has(name)) lengths[name] = vertexCount * widths.get(name);
        }
        if (Object.values(lengths).reduce((sum, n) => sum + 4 * n, 0) > MAX_HEAP_BYTES) throw tooLarge();
        const arrays = {};
        for (const name in lengths) arrays[name] = allocate(4 * lengths[name]);

        // crt_outputs: each array with its capacity in elements, null where absent.
        const outputs = scratch + 8;
        const fields = ['position', 'indices', 'normal', 'color', 'uv'].flatMap((name) => [arrays[name] || 0, lengths[name] || 0]);
        HEAPU32.set([OUTPUTS_BYTES, ...fields], outputs);
        check(_crt_decoder_decode(decoder, outputs << 2));

        // Copies: the heap is reused by the next decode.
        const copy = (Type, name) => (name in arrays ? new Type(HEAPU8.buffer, arrays[name], lengths[name]).slice() : null);
        return {
            positions: copy(Float32Array, 'position'),
            indices: copy(Uint32Array, 'indices'),
            normals: copy(Float32Array, 'normal'),
            colors: copy(Float32Array, 'color'),
            uvs: copy(Float32Array, 'uv'),
            faceCount,
            vertexCount,
        };
    } finally {
        _crt_decoder_destroy(decoder);
        for (const block of blocks) _free(block);
    }
}

function asBytes(bytes) {
    if (bytes instanceof Uint8Array) return bytes;
    if (bytes instanceof ArrayBuffer) return new Uint8Array(bytes);
    if (ArrayBuffer.isView(bytes)) return new Uint8Array(bytes.buffer, bytes.byteOffset, bytes.byteLength);
    throw new TypeError('decode needs the bytes of a crt file (a Uint8Array or an ArrayBuffer)');
}

function check(status) {
    if (status === 0) return;
    const detail = UTF8ToString(_crt_last_error());
    throw new CrtError(detail || UTF8ToString(_crt_status_message(status)), status);
}

Module['decode'] = decode;
Module['CrtError'] = CrtError;
