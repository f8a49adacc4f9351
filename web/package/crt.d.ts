// @quellin/crt: the crt compressed-mesh decoder in WebAssembly, for pages,
// Workers and Node.

/** What a decode may take; a header that asks for more is refused before anything is allocated. */
export interface Limits {
    /** Most vertices; 0 or Infinity: no limit. */
    maxVertices?: number;
    /** Most triangles; 0 or Infinity: no limit. */
    maxFaces?: number;
    /** Most bytes of output arrays and decoder working memory together (outputBytes + workingBytes of info()). */
    maxBytes?: number;
}

/** The limits decode() applies unless told otherwise: 2^24 vertices, 2^24 triangles, 1 GiB. */
export const DEFAULT_LIMITS: Readonly<Required<Limits>>;

export interface LoadOptions {
    /**
     * Where crt.wasm comes from: a URL (default: crt.wasm beside the module; in Node a file path too),
     * a Response or a promise of one, its bytes, or a compiled WebAssembly.Module.
     */
    wasm?: URL | string | Response | PromiseLike<Response> | ArrayBuffer | ArrayBufferView | WebAssembly.Module;
    /**
     * Bytes of decoder memory made ready at load, so that the first decodes of meshes up to about this
     * size run as fast as later ones. Default 64 MiB (meshes of about a million triangles with normals); 0: none.
     */
    reserve?: number;
}

/** Loads crt.wasm and starts the decoder; resolves when decode() and info() may be called. Later calls give the same promise. */
export function load(options?: LoadOptions): Promise<void>;

export interface DecodeOptions {
    /** Fields left out keep DEFAULT_LIMITS' values. */
    limits?: Limits;
}

/** A decoded mesh: arrays interleaved per vertex, null for what the stream does not hold. */
export interface Mesh {
    /** vertexCount x components of "position" (3 for meshes from the encoder). */
    positions: Float32Array | null;
    /** 3 x faceCount vertex indices. */
    indices: Uint32Array;
    /** vertexCount x 3 unit vectors. */
    normals: Float32Array | null;
    /** vertexCount x 4: R, G, B, A in 0..1. */
    colors: Float32Array | null;
    /** vertexCount x components of "uv". */
    uvs: Float32Array | null;
    vertexCount: number;
    faceCount: number;
}

export interface AttributeInfo {
    name: string;
    /** Floats per vertex a decode writes. */
    components: number;
    kind: 'generic' | 'normal' | 'color';
}

/** A stream's header: its counts and what a decode of it will take. */
export interface MeshInfo {
    vertexCount: number;
    faceCount: number;
    /** In name order; "position", "normal", "color" and "uv" are decoded into arrays, others read past. */
    attributes: AttributeInfo[];
    /** Bytes of the arrays a decode makes. */
    outputBytes: number;
    /** Most bytes the decoder takes for itself while it decodes. */
    workingBytes: number;
}

/** Decodes a crt stream. Throws CrtError for a damaged stream or one beyond the limits. */
export function decode(bytes: ArrayBuffer | ArrayBufferView, options?: DecodeOptions): Mesh;

/** Reads a stream's header without decoding it (no limits apply: nothing is made for the mesh). */
export function info(bytes: ArrayBuffer | ArrayBufferView): MeshInfo;

/** The statuses of the C library's crt.h. */
export const Status: {
    readonly OK: 0;
    readonly NOT_CRT: 1;
    readonly UNKNOWN_ENTROPY: 2;
    readonly TRUNCATED: 3;
    readonly CORRUPT: 4;
    readonly NO_POSITION: 5;
    readonly POSITION_OVERLOADED: 6;
    readonly NO_FACES: 7;
    readonly INVALID_ARGUMENT: 8;
    readonly CAPACITY: 9;
    readonly OUT_OF_MEMORY: 10;
    readonly ENCODE_FAILED: 11;
    readonly INTERNAL: 12;
    readonly LIMIT: 13;
};

export type StatusCode = (typeof Status)[keyof typeof Status];

/** A stream the decoder refuses: the library's message, and its status (Status.LIMIT beyond the limits). */
export class CrtError extends Error {
    readonly name: 'CrtError';
    readonly status: StatusCode;
}
