// The package as a typed caller uses it in a page, bundled by esbuild and
// type-checked by tsc against its declarations: decodes on the main thread,
// and in docs/examples/worker.mjs as a module Worker. package.test.mjs
// serves it with large.crt and fan.crt and calls run().
import { CrtError, DEFAULT_LIMITS, decode, info, load } from '@quellin/crt';
import type { Mesh, StatusCode } from '@quellin/crt';

type Answer = { mesh: Mesh } | { error: string; status: StatusCode | null };

const summary = (mesh: Mesh) => ({
    vertexCount: mesh.vertexCount,
    faceCount: mesh.faceCount,
    arrayBytes: [mesh.positions, mesh.indices, mesh.normals, mesh.colors, mesh.uvs]
        .reduce((sum, array) => sum + (array ? array.byteLength : 0), 0),
    indicesInRange: mesh.indices.every((v) => v < mesh.vertexCount),
});

// A decode, timed: what it gave or why it refused.
function timed(attempt: () => Mesh) {
    const start = performance.now();
    try {
        return { ...summary(attempt()), milliseconds: performance.now() - start };
    } catch (e) {
        if (!(e instanceof CrtError)) throw e;
        return { status: e.status, message: e.message, milliseconds: performance.now() - start };
    }
}

// One file through the example Worker, timed from the message to the answer.
function inWorker(worker: Worker, bytes: ArrayBuffer) {
    const start = performance.now();
    return new Promise<Answer & { milliseconds: number }>((resolve, reject) => {
        worker.onmessage = ({ data }: MessageEvent<Answer>) => resolve({ ...data, milliseconds: performance.now() - start });
        worker.onerror = (e) => reject(new Error(`worker: ${e.message}`));
        worker.postMessage(bytes, [bytes]);
    });
}

async function run() {
    const [large, fan] = await Promise.all(['large.crt', 'fan.crt'].map(async (url) => (await fetch(url)).arrayBuffer()));
    await load();
    const worker = new Worker(new URL('./worker.mjs', import.meta.url), { type: 'module' });
    const fromWorker = await inWorker(worker, large.slice(0));
    const fanInWorker = await inWorker(worker, fan.slice(0));
    worker.terminate();
    return {
        limits: DEFAULT_LIMITS,
        largeInfo: info(large),
        large: timed(() => decode(large)),
        fan: timed(() => decode(fan)),
        workerLarge: 'mesh' in fromWorker ? summary(fromWorker.mesh) : fromWorker,
        workerFan: fanInWorker,
    };
}

(window as unknown as { run: typeof run }).run = run;
