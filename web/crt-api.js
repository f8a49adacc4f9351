// The package's exports, after the Emscripten glue (createCrtModule) in
// crt.mjs. CMake fills in the limits from crt.h.
//
//   import { load, decode, info } from '@quellin/crt';
//   await load();                // crt.wasm from beside this module, or load({ wasm })
//   const mesh = decode(bytes);  // typed arrays; hostile streams refused under DEFAULT_LIMITS
//
// Browser-safe: no top-level await, nothing of Node's (crt-node.mjs adds
// reading crt.wasm from the disk), import.meta.url only when load() needs it.

export const DEFAULT_LIMITS = Object.freeze({
    maxVertices: @CRT_DEFAULT_SAFE_MAX_VERTICES@,
    maxFaces: @CRT_DEFAULT_SAFE_MAX_FACES@,
    maxBytes: @CRT_DEFAULT_SAFE_MAX_BYTES@,
});

// The statuses of crt.h, as CrtError.status.
export const Status = Object.freeze({
    OK: 0,
    NOT_CRT: 1,
    UNKNOWN_ENTROPY: 2,
    TRUNCATED: 3,
    CORRUPT: 4,
    NO_POSITION: 5,
    POSITION_OVERLOADED: 6,
    NO_FACES: 7,
    INVALID_ARGUMENT: 8,
    CAPACITY: 9,
    OUT_OF_MEMORY: 10,
    ENCODE_FAILED: 11,
    INTERNAL: 12,
    LIMIT: 13,
});

export class CrtError extends Error {
    constructor(message, status) {
        super(message);
        this.name = 'CrtError';
        this.status = status;
    }
}

// Heap made ready at load: a mesh of about a million triangles with normals
// (the dragon scan's decode peaks at 60 MB) decodes first as fast as later.
const DEFAULT_RESERVE = 64 * 2 ** 20;

let instance = null;  // the loaded module, once load() has finished
let loading = null;   // load()'s promise, from its first call on

// Loads and starts the decoder once; later calls give the same promise (a
// failed load may be tried again). wasm: where crt.wasm comes from.
export function load(options = {}) {
    if (!loading) {
        loading = start(options).then(
            (module) => {
                instance = module;
            },
            (error) => {
                loading = null;
                throw error;
            });
    }
    return loading;
}

async function start({ wasm = new URL('crt.wasm', import.meta.url), reserve = DEFAULT_RESERVE } = {}) {
    if (!(Number.isInteger(reserve) && reserve >= 0)) throw new RangeError('load: reserve must be a whole number of bytes');
    const compiled = await compile(await wasm);
    const module = await new Promise((resolve, reject) => {
        createCrtModule({
            CrtError,
            // The glue neither looks for crt.wasm nor fetches it: the module
            // compiled above is instantiated with the glue's imports.
            locateFile: (path) => path,
            instantiateWasm(imports, receive) {
                WebAssembly.instantiate(compiled, imports).then((made) => receive(made, compiled), (e) => {
                    reject(new Error(`load: this crt.wasm does not fit this crt.mjs (a file of another build?): ${e.message}`));
                });
                return {};
            },
        }).then(resolve, reject);
    });
    module.crtWarmUp(reserve);
    return module;
}

// A WebAssembly.Module from a URL (or its string), a Response (or a promise
// of one), the bytes, or a module compiled already.
async function compile(source) {
    if (source instanceof WebAssembly.Module) return source;
    if (source instanceof ArrayBuffer || ArrayBuffer.isView(source)) return WebAssembly.compile(source);
    if (typeof source === 'string' || source instanceof URL) source = await fetch(source, { credentials: 'same-origin' });
    if (typeof Response === 'function' && source instanceof Response) {
        if (!source.ok) throw new Error(`load: crt.wasm could not be fetched from ${source.url}: HTTP ${source.status}`);
        // Compiling while it downloads needs the wasm type; any other is read whole.
        const type = source.headers.get('content-type') || '';
        if (WebAssembly.compileStreaming && type.split(';')[0].trim() === 'application/wasm') {
            return WebAssembly.compileStreaming(source);
        }
        return WebAssembly.compile(await source.arrayBuffer());
    }
    throw new TypeError('load: wasm must be a URL, a Response, the bytes of crt.wasm or a WebAssembly.Module');
}

// Stream bytes as a Uint8Array over the caller's memory (not copied here).
function asBytes(bytes, call) {
    if (bytes instanceof Uint8Array) return bytes;
    if (bytes instanceof ArrayBuffer) return new Uint8Array(bytes);
    if (ArrayBuffer.isView(bytes)) return new Uint8Array(bytes.buffer, bytes.byteOffset, bytes.byteLength);
    throw new TypeError(`${call} needs the bytes of a crt file (a Uint8Array, another view or an ArrayBuffer)`);
}

function loaded(call) {
    if (!instance) throw new Error(`${call}: the decoder is not loaded yet; await load() first`);
    return instance;
}

// [vertices, faces, bytes] for the C library, 0 for no limit: a limit left
// out is the default's, Infinity or 0 none.
function limitsOf(limits = {}) {
    if (limits === null || typeof limits !== 'object') throw new TypeError('decode: limits must be an object');
    return [['maxVertices', 2 ** 32], ['maxFaces', 2 ** 32], ['maxBytes', 2 ** 64]].map(([field, none]) => {
        const value = limits[field] ?? DEFAULT_LIMITS[field];
        if (value === Infinity || value >= none) return 0;
        if (!(Number.isInteger(value) && value >= 0)) {
            throw new RangeError(`decode: limits.${field} must be a whole number of at least 0 (0 or Infinity: no limit), not ${value}`);
        }
        return value;
    });
}

export function decode(bytes, options = {}) {
    const module = loaded('decode');
    const input = asBytes(bytes, 'decode');
    const limits = limitsOf(options.limits);
    // The stream is copied into the decoder's memory as well: one longer
    // than the byte limit is refused before the copy.
    if (limits[2] && input.length > limits[2]) {
        throw new CrtError(`The crt stream is ${input.length} bytes; the limit is ${limits[2]}.`, Status.LIMIT);
    }
    return module.crtDecode(input, limits);
}

export function info(bytes) {
    const module = loaded('info');
    return module.crtInfo(asBytes(bytes, 'info'));
}
