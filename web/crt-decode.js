// Decoding on one instance of the module: this part runs inside the
// Emscripten glue, where the heap views and the exported C functions are in
// scope. It puts crtDecode, crtInfo and crtWarmUp on the instance; crt-api.js
// builds the package's exports on them. Module.CrtError is the class
// crt-api.js exports and hands in, so that callers can test for it before
// anything is loaded.

const CRT_OUT_OF_MEMORY = 10;
// 32-bit WebAssembly memory, as far as the glue lets it grow.
const MAX_HEAP_BYTES = 2 ** 31;
// The attributes a caller gets, by their names in the stream.
const OUTPUTS = ['position', 'normal', 'color', 'uv'];
const KINDS = { 1: 'generic', 2: 'normal', 3: 'color' };
// One scratch block for the handle and the records the C functions fill,
// each starting with its struct_size (wasm32: pointers and size_t are 32
// bits, uint64_t is 8-aligned). Offsets in bytes.
const SCRATCH = {
    handle: 0,
    info: 8, infoBytes: 32,            // crt_mesh_info
    limits: 40, limitsBytes: 24,       // crt_limits
    outputs: 64, outputsBytes: 44,     // crt_outputs
    attribute: 112, attributeBytes: 20, // crt_attribute_info
    bytes: 136,
};

const CrtError = Module['CrtError'];

// The heap blocks one call takes, all given back when it ends.
class Blocks {
    constructor(what) {
        this.list = [];
        this.what = what;  // what the error names when memory runs out
    }
    allocate(byteCount) {
        const block = byteCount <= MAX_HEAP_BYTES ? _malloc(Math.max(byteCount, 1)) : 0;
        if (!block) throw this.tooLarge();
        this.list.push(block);
        return block;
    }
    tooLarge() {
        return new CrtError(`Too large to decode here: ${this.what}.`, CRT_OUT_OF_MEMORY);
    }
    free() {
        for (const block of this.list) _free(block);
        this.list = [];
    }
}

function check(status) {
    if (status === 0) return;
    const detail = UTF8ToString(_crt_last_error());
    throw new CrtError(detail || UTF8ToString(_crt_status_message(status)), status);
}

const u64 = (address) => HEAPU32[address >> 2] + HEAPU32[(address >> 2) + 1] * 2 ** 32;

// Copies the stream into the heap and reads its header under `limits`
// ([vertices, faces, bytes], 0 for none; null: none at all), then runs
// use(decoder, scratch, facts, blocks). The decoder and every block are given
// back however it ends.
function withDecoder(input, limits, use) {
    const blocks = new Blocks(`${input.length} bytes`);
    let decoder = 0;
    try {
        const data = blocks.allocate(input.length);
        HEAPU8.set(input, data);
        const scratch = blocks.allocate(SCRATCH.bytes);
        let limitsAddress = 0;
        if (limits) {
            limitsAddress = scratch + SCRATCH.limits;
            HEAPU32.set([SCRATCH.limitsBytes, limits[0], limits[1], 0, limits[2] % 2 ** 32, Math.floor(limits[2] / 2 ** 32)],
                limitsAddress >> 2);
        }
        check(_crt_decoder_create_limited(data, input.length, limitsAddress, scratch + SCRATCH.handle));
        decoder = HEAPU32[(scratch + SCRATCH.handle) >> 2];

        const info = scratch + SCRATCH.info;
        HEAPU32[info >> 2] = SCRATCH.infoBytes;
        check(_crt_decoder_info(decoder, info));
        const [vertexCount, faceCount, attributeCount] = HEAPU32.subarray((info >> 2) + 1, (info >> 2) + 4);
        const facts = { vertexCount, faceCount, attributes: [], outputBytes: u64(info + 16), workingBytes: u64(info + 24) };
        const attribute = scratch + SCRATCH.attribute;
        for (let i = 0; i < attributeCount; ++i) {
            HEAPU32[attribute >> 2] = SCRATCH.attributeBytes;
            check(_crt_decoder_attribute(decoder, i, attribute));
            const [components, name, kind] = HEAPU32.subarray((attribute >> 2) + 1, (attribute >> 2) + 4);
            facts.attributes.push({ name: UTF8ToString(name), components, kind: KINDS[kind] || 'generic' });
        }
        blocks.what = `${vertexCount} vertices, ${faceCount} faces`;
        return use(decoder, scratch, facts, blocks);
    } finally {
        _crt_decoder_destroy(decoder);
        blocks.free();
    }
}

function crtInfo(input) {
    return withDecoder(input, null, (decoder, scratch, facts) => facts);
}

// decodes > 1 only to warm up: the decoder decodes again into the same arrays.
function crtDecode(input, limits, decodes = 1) {
    return withDecoder(input, limits, (decoder, scratch, facts, blocks) => {
        const widths = new Map(facts.attributes.map((a) => [a.name, a.components]));
        // All sizes are known before anything is allocated: counts no heap
        // could hold are refused before the heap grows for them.
        const lengths = { indices: 3 * facts.faceCount };
        for (const name of OUTPUTS) {
            if (widths.has(name)) lengths[name] = facts.vertexCount * widths.get(name);
        }
        if (Object.values(lengths).reduce((sum, n) => sum + 4 * n, 0) > MAX_HEAP_BYTES) throw blocks.tooLarge();
        const arrays = {};
        for (const name in lengths) arrays[name] = blocks.allocate(4 * lengths[name]);

        // crt_outputs: each array with its capacity in elements, null where absent.
        const outputs = scratch + SCRATCH.outputs;
        const fields = ['position', 'indices', 'normal', 'color', 'uv'].flatMap((name) => [arrays[name] || 0, lengths[name] || 0]);
        HEAPU32.set([SCRATCH.outputsBytes, ...fields], outputs >> 2);
        for (let i = 0; i < decodes; ++i) check(_crt_decoder_decode(decoder, outputs));

        // Copies: the heap is reused by the next call.
        const copy = (Type, name) => (name in arrays ? new Type(HEAPU8.buffer, arrays[name], lengths[name]).slice() : null);
        return {
            positions: copy(Float32Array, 'position'),
            indices: copy(Uint32Array, 'indices'),
            normals: copy(Float32Array, 'normal'),
            colors: copy(Float32Array, 'color'),
            uvs: copy(Float32Array, 'uv'),
            faceCount: facts.faceCount,
            vertexCount: facts.vertexCount,
        };
    });
}

// Makes the decoder ready for a first decode as fast as the later ones:
// - `reserve` bytes of heap grown at once and every page written, so that the
//   decode meets neither the heap's growth nor the operating system's first
//   touch of fresh pages (the block goes back to the allocator, which hands
//   the same pages to the next decode);
// - a small mesh decoded WARM_UP_DECODES times: engines run new WebAssembly
//   code unoptimised and optimise the functions that run often, but a call
//   keeps the code it started in, so a first large decode would otherwise run
//   unoptimised throughout.
function crtWarmUp(reserve) {
    const bytes = Math.min(reserve, MAX_HEAP_BYTES / 2);
    const block = bytes > 0 ? _malloc(bytes) : 0;
    if (block) {
        HEAPU8.fill(0, block, block + bytes);
        _free(block);
    }
    crtDecode(Uint8Array.from(atob(WARM_UP_STREAM), (c) => c.charCodeAt(0)), null, WARM_UP_DECODES);
}

const WARM_UP_DECODES = 250;
// A 24 x 12 torus, 576 triangles, with normals each coded from the last (8-bit
// positions, 6-bit normals, Tunstall coding): a small stream that runs the
// loops of a scan's decode.
const WARM_UP_STREAM =
    'AGN6eAEAAAABAAAAAAIAAAAHAG5vcm1hbAACAAAAAAD4QQMGAAkAcG9zaXRpb24AAQAAABrnMzwDBgEgAQAAQAIAAAEAAABAAgAAAIQDAAAGAGUB' +
    'TgUlBg0EDAILzAIAAMMAAABZhI/1+4qKioqK+/v79enqkIr79enqivv16pD7++qQ+/vqkPv16or7SpD79eqK+0px++nq+/Xqc2D79er7+0pzkIr7' +
    '6or9c5CK++qK/XOQkPvqisdx+/vq+/U7cYr76vv3c4/q++qKc1/q++r7c1/q++r7c3Nzc3Nzc3NzBXQ0BTQFNAU0BTQFNAU0BTQFNAU0BTEeQCAF' +
    'NEAgBTRAIAU0QCAFNEAgBTRAIAU0QCAFNEAgBTRAIAU0QCAFNEAgBTRAIAULAAAAMCHCgxsyXKgixIcOEvwoMbJ06ApapWqZM2USIbVI0RnNmLVi' +
    '0OA6dQAA+HgAUAAAAAAAAFV8AL8V769z8/R14jOr6U3dcutz1XV26cLC8uXMvr25IperOoQfD1OWzUzTnqempv37qaco/Oc/am66x8W6qmqu7Bxu' +
    'Sz1uGVtLSwJmWFxcmOGGG/PDzG+H3+JQ7vJylnoG7+5kFGxDH386bhzUzDRPTDxN9vf1H19/uunUTR+lZ5+JxDcz878M9z9zCGpww+gpLPBBPXnh' +
    'S1t74AovLy+VV5fXf3l15VjATRTv7kZ9/xYvLxhT5+/y7+cX0IduepqbvfRNPEyqTB8fTHoTfjy5qeZDvr2nt0XN2+v769uH/uWGznh1LXY99eys' +
    'luHKTjP/m+n8Mzdzz82cSFkuwa16yv2ZbHz9McY002SdpeNGzTWrqa/v+nbv4pBrBAezb7j0Z1hLgQcWLLDAA13AAg/UU+dz5+9+/iejoOcAAMDv' +
    'BASXBUMHGwALIAEAADgAAADhZ01wHL4cHCi5ui/f0vqGDY3fN3HVlpFuQ4a3bmGJ+9XlTOVvPhwbPdQcHd0RPcWxjVmGhso+rS4AAAAAAAAIhCWA' +
    'BAFDmkAAhAgQjCDBJDRAEkUHAgDCLQCBRQMkFBAQGJUgEBVcIAS8BQEpICSwICAQMhoABEBIQAHwCTArsgYAVTBHAqTaouYJCkIIkCCUiQua234h' +
    'YVrQQNzvrFhIAcAnXVKPRAgBJ4DTxAQJrLRichEBUCnBq/UNjAALAleFdhBAByozAO2AADYW/lmeAhLQMjEpAfADAllCaquQJQiUAlEpIECohIBA' +
    'VAoIqAIoCQKIAkKoBgNgAkIBNwATBA8IACABAABRAAAAACccG3G/HHMDcVlZdSa3WSI8JiZ9V1nx9bNf8TD2ePGzTz1y8UG/b23kPEdx8UG/m5sU' +
    '/kgmxjxHIpCLiZxc/pJsK/F0p+WdJhTNFKqW8cdBBgNsAkEBJwAWBBMGACABAABPAAAAEcV/a+Vs0fx9s/tA8xoGcvB9WfIPjWWPZoFxNZ0PhvV4' +
    'JgUPjWVm2bUGTszTD4b1p3jAfVFZO7UG9U5GmPv9GtlU+7QwDJ4/6e99Epu0MAQAzgQlAxIFACABAAAkAAAAAgjl5gjH/Qr9EP4l/jT+6Qj+6Qj+' +
    'ZP1J/0kNSf00xbpISDPh';

Module['crtDecode'] = crtDecode;
Module['crtInfo'] = crtInfo;
Module['crtWarmUp'] = crtWarmUp;
