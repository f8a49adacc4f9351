// The first decode of a stream in a fresh page against the decodes after it,
// in Debian's headless chromium: each round opens a new browser context,
// loads the module (its load(), where it has one), fetches the stream, then
// times `--decodes` decodes of it one after the other. Printed per round: the
// first decode and the median of the others; at the end the medians over all
// rounds and their ratio.
//
//   node bench/web/first-decode.mjs MODULE_DIR STREAM.crt [--rounds N] [--decodes N]
//
// MODULE_DIR holds crt.mjs and crt.wasm (build/web or build/npm/crt). Uses
// the puppeteer-core of tests/web (scripts/install-deps.sh installs it).
import { readFileSync } from 'node:fs';
import { createServer } from 'node:http';
import { createRequire } from 'node:module';
import { extname, join, resolve } from 'node:path';
import { pathToFileURL } from 'node:url';

const [moduleDir, stream] = process.argv.slice(2);
const option = (name, fallback) => {
    const at = process.argv.indexOf(name);
    return at > 0 ? Number(process.argv[at + 1]) : fallback;
};
const rounds = option('--rounds', 8);
const decodes = option('--decodes', 8);
const reserve = option('--reserve', undefined);
const loadOptions = reserve === undefined ? {} : { reserve };
if (!moduleDir || !stream || !(rounds >= 1) || !(decodes >= 2)) {
    console.log('usage: node bench/web/first-decode.mjs MODULE_DIR STREAM.crt [--rounds N] [--decodes N]');
    process.exit(2);
}

const testsWeb = new URL('../../tests/web/', import.meta.url);
const puppeteerPath = createRequire(testsWeb).resolve('puppeteer-core');
const { default: puppeteer } = await import(pathToFileURL(puppeteerPath));

const types = { '.mjs': 'text/javascript', '.js': 'text/javascript', '.wasm': 'application/wasm', '.html': 'text/html' };
const page = `<!doctype html><meta charset="utf-8"><title>first decode</title>
<script type="module">
window.run = async (decodes, loadOptions) => {
    const crt = await import('./module/crt.mjs');
    if (crt.load) await crt.load(loadOptions);
    const bytes = new Uint8Array(await (await fetch('./stream.crt')).arrayBuffer());
    const times = [];
    let faces = 0;
    for (let i = 0; i < decodes; ++i) {
        const start = performance.now();
        faces = crt.decode(bytes).faceCount;
        times.push(performance.now() - start);
    }
    return { times, faces };
};
window.ready = true;
</script>`;

const server = createServer((request, response) => {
    const path = decodeURIComponent(new URL(request.url, 'http://x').pathname);
    let body;
    let file = null;
    if (path === '/' || path === '/index.html') body = page;
    else if (path === '/stream.crt') file = resolve(stream);
    else if (path.startsWith('/module/') && !path.includes('..')) file = join(resolve(moduleDir), path.slice(8));
    try {
        if (file) body = readFileSync(file);
    } catch {
        body = undefined;
    }
    if (body === undefined) {
        response.writeHead(404).end();
        return;
    }
    response.writeHead(200, { 'content-type': types[extname(file || 'x.html')] || 'application/octet-stream' });
    response.end(body);
});
await new Promise((done) => server.listen(0, '127.0.0.1', done));
const url = `http://127.0.0.1:${server.address().port}/`;

const browser = await puppeteer.launch({
    executablePath: process.env.QUELLIN_CHROMIUM || '/usr/bin/chromium',
    headless: true,
    args: ['--no-sandbox', '--use-gl=swiftshader', '--enable-unsafe-swiftshader', '--disable-background-networking',
        '--disable-component-update', '--disable-sync', '--no-first-run',
        ...(process.env.CRT_BENCH_BROWSER_ARGS || '').split(' ').filter(Boolean)],
});
const median = (v) => {
    const s = [...v].sort((a, b) => a - b);
    return s.length % 2 ? s[(s.length - 1) / 2] : (s[s.length / 2 - 1] + s[s.length / 2]) / 2;
};
const firsts = [];
const warms = [];
try {
    console.log(`${await browser.version()}; ${stream}; ${rounds} fresh pages, ${decodes} decodes each`);
    for (let r = 0; r < rounds; ++r) {
        const context = await browser.createBrowserContext();
        const tab = await context.newPage();
        await tab.goto(url);
        await tab.waitForFunction('window.ready === true');
        const { times, faces } = await tab.evaluate((n, o) => window.run(n, o), decodes, loadOptions);
        await context.close();
        const warm = median(times.slice(1));
        firsts.push(times[0]);
        warms.push(warm);
        console.log(`  round ${r + 1}: ${faces} triangles, first ${times[0].toFixed(1)} ms, then median ${warm.toFixed(1)} ms` +
            ` (${times.slice(1).map((t) => t.toFixed(0)).join(' ')})`);
    }
} finally {
    await browser.close();
    server.close();
}
const [first, warm] = [median(firsts), median(warms)];
console.log(`first decode: median ${first.toFixed(1)} ms (${Math.min(...firsts).toFixed(1)} to ${Math.max(...firsts).toFixed(1)}); ` +
    `later decodes: median ${warm.toFixed(1)} ms; first / later ${(first / warm).toFixed(2)}x`);
