// A module Worker that decodes crt files off a page's main thread. The page:
//
//   const worker = new Worker(new URL('./worker.mjs', import.meta.url), { type: 'module' });
//   worker.onmessage = ({ data }) => (data.mesh ? show(data.mesh) : complain(data.error));
//   worker.postMessage(await (await fetch('model.crt')).arrayBuffer());
//
// Each message is the bytes of one file; the answer is { mesh } with its
// arrays moved, not copied, to the page, or { error, status }: a damaged
// file, one beyond the default limits (status Status.LIMIT), or no crt.wasm.
import { CrtError, decode, load } from '@quellin/crt';

const ready = load();

self.onmessage = async ({ data }) => {
    try {
        await ready;
        const mesh = decode(data);
        const arrays = [mesh.positions, mesh.indices, mesh.normals, mesh.colors, mesh.uvs].filter(Boolean);
        self.postMessage({ mesh }, arrays.map((array) => array.buffer));
    } catch (e) {
        self.postMessage({ error: e.message, status: e instanceof CrtError ? e.status : null });
    }
};
