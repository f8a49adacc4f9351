// crt.mjs's own exports, after the Emscripten glue: decode and CrtError
// (crt-decode.js).
// A page's glue fetches crt.wasm beside this file; Node has no fetch for file
// URLs, so there the binary is read here and handed over.
async function instantiateCrt() {
    const options = {};
    if (typeof process === 'object' && process.versions && process.versions.node) {
        const { readFile } = await import('node:fs/promises');
        options.wasmBinary = await readFile(new URL('crt.wasm', import.meta.url));
    }
    return createCrtModule(options);
}

export const { decode, CrtError } = await instantiateCrt();
