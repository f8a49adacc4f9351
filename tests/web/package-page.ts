// The package as a typed caller uses it in a page, bundled by esbuild and
// type-checked by tsc against the package's declarations: main-thread
// decodes, and docs/examples/worker.mjs as a module Worker. package.test.mjs
// serves it with large.crt (as large as the dragon scan) and fan.crt (91
// bytes claiming a hundred million triangles) and calls run().
import { CrtError, DEFAULT_LIMITS, Status, decode, info, load } from '@quellin/crt';
import type { Mesh, MeshInfo, StatusCode } from '@quellin/crt';

interface Refusal {
    status: StatusCode | null;
    message: string;
    milliseconds: number;
}

interface Decoded {
    vertexCount: number;
    faceCount: number;
    arrayBytes: number;
    indicesInRange: boolean;
}

export interface Report {
    limits: typeof DEFAULT_LIMITS;
    beforeLoad: string;
    largeInfo: MeshInfo;
    large: Decoded;
    fan: Refusal;
    worker: { large: Decoded | string; fan: Refusal };
}

async function bytesOf(url: string): Promise<ArrayBuffer> {
    const response = await fetch(url);
    if (!response.ok) throw new Error(`${url}: HTTP ${response.status}`);
    return response.arrayBuffer();
}

function summary(mesh: Mesh): Decoded {
    const arrays = [mesh.positions, mesh.indices, mesh.normals, mesh.colors, mesh.uvs];
    return {
        vertexCount: mesh.vertexCount,
        faceCount: mesh.faceCount,
        arrayBytes: arrays.reduce((sum, array) => sum + (array ? array.byteLength : 0), 0),
        indicesInRange: mesh.indices.every((v) => v < mesh.vertexCount),
    };
}

function refusal(attempt: () => unknown): Refusal {
    const start = performance.now();
    try {
        attempt();
    } catch (e) {
        const milliseconds = performance.now() - start;
        if (e instanceof CrtError) return { status: e.status, message: e.message, milliseconds };
        return { status: null, message: String(e), milliseconds };
    }
    return { status: Status.OK, message: 'decoded', milliseconds: performance.now() - start };
}

type Answer = { mesh: Mesh } | { error: string; status: StatusCode | null };

// One file through the example worker, timed from the message to the answer.
function inWorker(worker: Worker, bytes: ArrayBuffer): Promise<{ answer: Answer; milliseconds: number }> {
    return new Promise((resolve, reject) => {
        const start = performance.now();
        worker.onmessage = ({ data }: MessageEvent<Answer>) => resolve({ answer: data, milliseconds: performance.now() - start });
        worker.onerror = (e) => reject(new Error(`worker: ${e.message}`));
        worker.postMessage(bytes, [bytes]);
    });
}

export async function run(): Promise<Report> {
    const beforeLoad = refusal(() => decode(new Uint8Array(8))).message;
    const [large, fan] = await Promise.all([bytesOf('large.crt'), bytesOf('fan.crt'), load()]);

    const worker = new Worker(new URL('./worker.mjs', import.meta.url), { type: 'module' });
    const fromWorker = await inWorker(worker, large.slice(0));
    const fanInWorker = await inWorker(worker, fan.slice(0));
    worker.terminate();
    const answer = fanInWorker.answer;
    return {
        limits: DEFAULT_LIMITS,
        beforeLoad,
        largeInfo: info(large),
        large: summary(decode(new Uint8Array(large))),
        fan: refusal(() => decode(fan)),
        worker: {
            large: 'mesh' in fromWorker.answer ? summary(fromWorker.answer.mesh) : fromWorker.answer.error,
            fan: 'mesh' in answer
                ? { status: Status.OK, message: 'decoded', milliseconds: fanInWorker.milliseconds }
                : { status: answer.status, message: answer.error, milliseconds: fanInWorker.milliseconds },
        },
    };
}

declare global {
    interface Window {
        run: typeof run;
    }
}
window.run = run;
