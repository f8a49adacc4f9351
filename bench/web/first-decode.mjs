// The first decode of a stream in a fresh page against the decodes after it,
// in Debian's headless chromium, for one or more builds of the module side by
// side: each round opens a new browser context per module (in turn), imports
// the module and awaits its load() (where it has one), fetches the stream,
// then times `--decodes` decodes of it one after the other. Printed per
// round: the time to a loaded module, the first decode and the median of the
// others; per module at the end, the medians over all rounds and the ratio
// first / later.
//
//   node bench/web/first-decode.mjs STREAM.crt MODULE_DIR... [--rounds N] [--decodes N] [--reserve BYTES]
//
// A MODULE_DIR holds crt.mjs and crt.wasm (build/web/crt, or the folder of
// an earlier build). --reserve is passed to load(). Uses the puppeteer-core
// of tests/web (scripts/install-deps.sh installs it).
import { readFileSync } from 'node:fs';
import { createServer } from 'node:http';
import { createRequire } from 'node:module';
import { extname, join, resolve } from 'node:path';
import { pathToFileURL } from 'node:url';

const args = process.argv.slice(2);
const options = {};
const positional = [];
for (let i = 0; i < args.length; ++i) {
    if (args[i].startsWith('--')) options[args[i].slice(2)] = Number(args[++i]);
    else positional.push(args[i]);
}
const [stream, ...moduleDirs] = positional;
const rounds = options.rounds ?? 8;
const decodes = options.decodes ?? 8;
const loadOptions = options.reserve === undefined ? {} : { reserve: options.reserve };
if (!stream || moduleDirs.length === 0 || !(rounds >= 1) || !(decodes >= 2)) {
    console.log('usage: node bench/web/first-decode.mjs STREAM.crt MODULE_DIR... [--rounds N] [--decodes N] [--reserve BYTES]');
    process.exit(2);
}

const testsWeb = new URL('../../tests/web/', import.meta.url);
const puppeteerPath = createRequire(testsWeb).resolve('puppeteer-core');
const { default: puppeteer } = await import(pathToFileURL(puppeteerPath));

const types = { '.mjs': 'text/javascript', '.wasm': 'application/wasm', '.html': 'text/html' };
const page = `<!doctype html><meta charset="utf-8"><title>first decode</title><link rel="icon" href="data:,">
<script type="module">
window.run = async (module, decodes, loadOptions) => {
    const start = performance.now();
    const crt = await import(module);
    if (crt.load) await crt.load(loadOptions);
    const loaded = performance.now() - start;
    const bytes = new Uint8Array(await (await fetch('/stream.crt')).arrayBuffer());
    const times = [];
    let faces = 0;
    for (let i = 0; i < decodes; ++i) {
        const start = performance.now();
        faces = crt.decode(bytes).faceCount;
        times.push(performance.now() - start);
    }
    return { loaded, times, faces };
};
window.ready = true;
</script>`;

// /: the page; /stream.crt; /m0/, /m1/, ...: the module folders.
const server = createServer((request, response) => {
    const path = decodeURIComponent(new URL(request.url, 'http://x').pathname);
    let file = null;
    const module = /^\/m(\d+)\/([\w.-]+)$/.exec(path);
    if (path === '/stream.crt') file = resolve(stream);
    else if (module && moduleDirs[module[1]]) file = join(resolve(moduleDirs[module[1]]), module[2]);
    let body = path === '/' ? page : undefined;
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
        '--disable-component-update', '--disable-sync', '--no-first-run'],
});
const median = (v) => {
    const s = [...v].sort((a, b) => a - b);
    return s.length % 2 ? s[(s.length - 1) / 2] : (s[s.length / 2 - 1] + s[s.length / 2]) / 2;
};
const results = moduleDirs.map(() => ({ loads: [], firsts: [], laters: [] }));
try {
    console.log(`${await browser.version()}; ${stream}; ${rounds} rounds of a fresh page per module, ${decodes} decodes each` +
        `${options.reserve === undefined ? '' : `; load({ reserve: ${options.reserve} })`}`);
    for (let r = 0; r < rounds; ++r) {
        for (const [k, dir] of moduleDirs.entries()) {
            const context = await browser.createBrowserContext();
            const tab = await context.newPage();
            await tab.goto(url);
            await tab.waitForFunction('window.ready === true');
            const { loaded, times, faces } = await tab.evaluate((m, n, o) => window.run(m, n, o), `/m${k}/crt.mjs`, decodes,
                loadOptions);
            await context.close();
            const later = median(times.slice(1));
            Object.entries({ loads: loaded, firsts: times[0], laters: later }).forEach(([key, v]) => results[k][key].push(v));
            console.log(`  round ${r + 1}, ${dir}: ${faces} triangles; loaded in ${loaded.toFixed(1)} ms; first decode ` +
                `${times[0].toFixed(1)} ms, then ${times.slice(1).map((t) => t.toFixed(0)).join(' ')} (median ${later.toFixed(1)})`);
        }
    }
} finally {
    await browser.close();
    server.close();
}
for (const [k, dir] of moduleDirs.entries()) {
    const { loads, firsts, laters } = results[k];
    const [first, later] = [median(firsts), median(laters)];
    console.log(`${dir}: loaded in ${median(loads).toFixed(1)} ms; first decode ${first.toFixed(1)} ms ` +
        `(${Math.min(...firsts).toFixed(1)} to ${Math.max(...firsts).toFixed(1)}); later decodes ${later.toFixed(1)} ms; ` +
        `first / later ${(first / later).toFixed(2)}x`);
}
