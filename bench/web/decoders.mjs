// The two decoders the web race compares, each as bytes -> { positions,
// normals, indices, faceCount }: what a page does with a downloaded mesh,
// decoding it and copying the arrays out of the module's heap into typed
// arrays.
import { createRequire } from 'node:module';
import { pathToFileURL } from 'node:url';

const require = createRequire(import.meta.url);

// Draco's WebAssembly decoder from the draco3d package, used the way its
// documentation and the common web loaders use it.
export async function dracoDecoder() {
    const draco = await require('draco3d').createDecoderModule({});
    return (bytes) => {
        const buffer = new draco.DecoderBuffer();
        const decoder = new draco.Decoder();
        const mesh = new draco.Mesh();
        try {
            buffer.Init(new Int8Array(bytes.buffer, bytes.byteOffset, bytes.byteLength), bytes.byteLength);
            const status = decoder.DecodeBufferToMesh(buffer, mesh);
            if (!status.ok()) throw new Error(`Draco: ${status.error_msg()}`);
            const copyOut = (Type, count, fill) => {
                const pointer = draco._malloc(count * 4);
                fill(pointer);
                const array = new Type(draco.HEAPF32.buffer, pointer, count).slice();
                draco._free(pointer);
                return array;
            };
            const attribute = (type) => {
                const id = decoder.GetAttributeId(mesh, type);
                if (id < 0) return null;
                const a = decoder.GetAttribute(mesh, id);
                const count = mesh.num_points() * a.num_components();
                return copyOut(Float32Array, count, (p) =>
                    decoder.GetAttributeDataArrayForAllPoints(mesh, a, draco.DT_FLOAT32, count * 4, p));
            };
            const faces = mesh.num_faces();
            return {
                positions: attribute(draco.POSITION),
                normals: attribute(draco.NORMAL),
                indices: copyOut(Uint32Array, faces * 3, (p) => decoder.GetTrianglesUInt32Array(mesh, faces * 12, p)),
                faceCount: faces,
            };
        } finally {
            draco.destroy(mesh);
            draco.destroy(decoder);
            draco.destroy(buffer);
        }
    };
}

// The crt package's Node entry (build/web/crt/crt-node.mjs), or a module of
// an earlier build, whose decode needed no load().
export async function crtDecoder(modulePath) {
    const crt = await import(pathToFileURL(modulePath));
    if (crt.load) await crt.load();
    return crt.decode;
}

export const dracoWasmPath = () => require.resolve('draco3d/draco_decoder.wasm');
