// The package in Node: crt.mjs, whose load() reads crt.wasm from the disk
// where a page would fetch it (Node's fetch takes no file: URLs). wasm may
// also be a file path; http(s) URLs, bytes, a Response or a compiled module
// go to crt.mjs as they are.
import { readFile } from 'node:fs/promises';
import { fileURLToPath } from 'node:url';

import { load as loadModule } from './crt.mjs';

export { CrtError, DEFAULT_LIMITS, Status, decode, info } from './crt.mjs';

let loading = null;

export function load(options = {}) {
    if (!loading) {
        const wasm = options?.wasm ?? new URL('crt.wasm', import.meta.url);
        const path = fileOf(wasm);
        loading = (async () => loadModule({ ...options, wasm: path ? await readFile(path) : wasm }))();
        loading.catch(() => {
            loading = null;
        });
    }
    return loading;
}

// The file a URL or a string names, or null for what is not a file.
function fileOf(wasm) {
    if (wasm instanceof URL) return wasm.protocol === 'file:' ? fileURLToPath(wasm) : null;
    if (typeof wasm !== 'string') return null;
    // A scheme has two letters at least: C:\ is a path.
    if (/^[a-z][a-z0-9+.-]+:/i.test(wasm)) return wasm.startsWith('file:') ? fileURLToPath(wasm) : null;
    return wasm;
}
