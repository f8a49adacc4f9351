// The npm package as its users get it: packed, installed offline into a
// scratch project, run in Node (docs/examples/decode.mjs), type-checked by
// tsc (package-page.ts), bundled for browsers by esbuild with
// docs/examples/worker.mjs, then in headless chromium: the bundled page and
// its module Worker, and a classic Worker importing the installed package
// unbundled. CRT_PACKAGE is the package folder, CRT_STREAMS holds large.crt
// (as large as the dragon scan) and fan.crt (91 bytes, a hundred million
// triangles), QUELLIN_CHROMIUM the browser.
import assert from 'node:assert/strict';
import { execFileSync, spawn, spawnSync } from 'node:child_process';
import { copyFileSync, mkdirSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { after, before, test } from 'node:test';
import { fileURLToPath } from 'node:url';

import * as esbuild from 'esbuild';
import puppeteer from 'puppeteer-core';

const here = fileURLToPath(new URL('.', import.meta.url));
const examples = join(here, '../../docs/examples');
const streams = process.env.CRT_STREAMS;
const work = mkdtempSync(join(tmpdir(), 'crt-package-'));
const app = join(work, 'app');
const dist = join(app, 'dist');
let tarball;
let bundled;
let server;
let browser;

const FILES = ['README.md', 'crt-node.mjs', 'crt.d.ts', 'crt.mjs', 'crt.wasm', 'package.json'];

before(async () => {
    const [packed] = JSON.parse(execFileSync('npm', ['pack', '--json', '--pack-destination', work, process.env.CRT_PACKAGE],
        { encoding: 'utf8' }));
    tarball = packed;
    mkdirSync(app);
    writeFileSync(join(app, 'package.json'), JSON.stringify({ name: 'scratch', private: true, type: 'module' }));
    execFileSync('npm', ['install', '--offline', '--no-audit', '--no-fund', '--ignore-scripts', '--loglevel=error',
        join(work, packed.filename)], { cwd: app, stdio: 'inherit' });
    for (const file of ['decode.mjs', 'worker.mjs']) copyFileSync(join(examples, file), join(app, file));
    copyFileSync(join(here, 'package-page.ts'), join(app, 'page.ts'));
    for (const file of ['large.crt', 'fan.crt']) copyFileSync(join(streams, file), join(app, file));

    // As a site would: the bundles, crt.wasm beside them, the meshes.
    bundled = await esbuild.build({
        absWorkingDir: app,
        entryPoints: ['page.ts', 'worker.mjs'],
        bundle: true,
        format: 'esm',
        platform: 'browser',
        outdir: dist,
        outExtension: { '.js': '.mjs' },
        // Also for engines and bundles without top-level await.
        supported: { 'top-level-await': false },
        logLevel: 'silent',
    });
    copyFileSync(join(app, 'node_modules/@quellin/crt/crt.wasm'), join(dist, 'crt.wasm'));
    for (const file of ['large.crt', 'fan.crt']) copyFileSync(join(streams, file), join(dist, file));
    writeFileSync(join(dist, 'index.html'),
        '<!doctype html><meta charset="utf-8"><title>crt</title><link rel="icon" href="data:,">' +
        '<script type="module" src="page.mjs"></script>');
    // The package unbundled, imported by a classic Worker.
    writeFileSync(join(app, 'classic-worker.js'), `
        import('./node_modules/@quellin/crt/crt.mjs').then(async ({ load, decode }) => {
            await load();
            const bytes = await (await fetch('large.crt')).arrayBuffer();
            postMessage(decode(bytes).faceCount);
        }).catch((e) => postMessage(String(e)));`);
});

after(async () => {
    await browser?.close();
    server?.kill();
    rmSync(work, { recursive: true, force: true });
});

test('npm pack makes a package that installs offline and runs the documented example in Node', () => {
    const guide = readFileSync(join(examples, '../crt.md'), 'utf8');
    for (const file of ['decode.mjs', 'worker.mjs']) {
        assert.ok(guide.includes(`\n${readFileSync(join(examples, file), 'utf8')}\`\`\``),
            `docs/crt.md does not quote ${file} as it stands`);
    }
    assert.equal(tarball.name, '@quellin/crt');
    assert.deepEqual(tarball.files.map((f) => f.path).sort(), FILES);

    const run = (file) => spawnSync('node', ['decode.mjs', file], { cwd: app, encoding: 'utf8' });
    const large = run('large.crt');
    assert.equal(large.status, 0, large.stdout + large.stderr);
    assert.match(large.stdout, /^435600 vertices, 871200 triangles\n/);
    assert.match(large.stdout, /\nattribute uv: 2 floats per vertex\n/);
    assert.match(large.stdout, /\nbounds: \(-1\.350, -1\.350, -0\.350\) to \(1\.350, 1\.350, 0\.350\)\nfirst triangle: \d+ \d+ \d+\n$/);
    const start = performance.now();
    const fan = run('fan.crt');
    assert.equal(fan.status, 1, fan.stdout + fan.stderr);
    assert.match(fan.stdout, /fan\.crt: The crt stream needs 100000002 vertices; the limit is 16777216\. \(refused: beyond the limits\)\n$/);
    assert.ok(performance.now() - start < 5000, 'a process that refuses the stream at once');
});

test('the declarations type-check a strict typed caller', () => {
    writeFileSync(join(app, 'tsconfig.json'), JSON.stringify({
        compilerOptions: {
            strict: true, noEmit: true, target: 'es2022', module: 'esnext', moduleResolution: 'bundler',
            lib: ['es2022', 'dom'], types: [],
        },
        files: ['page.ts'],
    }));
    const tsc = (project) => spawnSync(join(here, 'node_modules/.bin/tsc'), ['-p', join(app, project)], { encoding: 'utf8' });
    const typed = tsc('tsconfig.json');
    assert.equal(typed.status, 0, typed.stdout + typed.stderr);
    // The declarations are found and read: a wrong argument is that error, not a missing type.
    writeFileSync(join(app, 'misuse.ts'), "import { decode } from '@quellin/crt';\ndecode('a string');\n");
    writeFileSync(join(app, 'tsconfig.misuse.json'), JSON.stringify({ extends: './tsconfig.json', files: ['misuse.ts'] }));
    const misuse = tsc('tsconfig.misuse.json');
    assert.match(misuse.stdout, /misuse\.ts.*error TS2345: Argument of type 'string' is not assignable/);
});

test('esbuild bundles it for a browser without a warning or anything of Node', () => {
    assert.deepEqual([bundled.errors, bundled.warnings], [[], []]);
    for (const file of ['page.mjs', 'worker.mjs']) {
        const code = readFileSync(join(dist, file), 'utf8');
        assert.ok(!/\bnode:|require\(/.test(code), `${file} reaches for Node`);
        assert.ok(code.includes("new URL(\"crt.wasm\", import.meta.url)"), `${file}: crt.wasm is not looked for beside it`);
    }
});

// python3 -m http.server on a free port, its port read from its first line.
function serve(folder) {
    return new Promise((resolve, reject) => {
        server = spawn('python3', ['-u', '-m', 'http.server', '0', '--bind', '127.0.0.1'], { cwd: folder });
        server.on('error', reject);
        server.stdout.on('data', (chunk) => {
            const port = /port (\d+)/.exec(chunk.toString());
            if (port) resolve(`http://127.0.0.1:${port[1]}/`);
        });
    });
}

test('in chromium, the bundled page and its module Worker decode a dragon-sized mesh and refuse the 91-byte stream at once; a classic Worker imports the package', async () => {
    const url = await serve(app);
    browser = await puppeteer.launch({
        executablePath: process.env.QUELLIN_CHROMIUM || '/usr/bin/chromium',
        headless: true,
        args: ['--no-sandbox', '--use-gl=swiftshader', '--enable-unsafe-swiftshader', '--disable-background-networking',
            '--disable-component-update', '--disable-sync', '--no-first-run'],
    });
    const page = await browser.newPage();
    const problems = [];
    page.on('pageerror', (e) => problems.push(e.message));
    page.on('console', (m) => ['error', 'warn', 'warning'].includes(m.type()) && problems.push(m.text()));
    await page.goto(url + 'dist/index.html');
    await page.waitForFunction('typeof window.run === "function"', { timeout: 20000 });
    const report = await page.evaluate(() => window.run());

    assert.deepEqual(report.limits, { maxVertices: 2 ** 24, maxFaces: 2 ** 24, maxBytes: 2 ** 30 });
    assert.match(report.beforeLoad, /not loaded yet; await load\(\) first/);
    const large = { vertexCount: report.largeInfo.vertexCount, faceCount: 871200, arrayBytes: report.largeInfo.outputBytes,
        indicesInRange: true };
    assert.deepEqual(report.large, large);
    assert.deepEqual(report.worker.large, large);
    for (const fan of [report.fan, report.worker.fan]) {
        assert.equal(fan.status, 13, fan.message);  // Status.LIMIT
        assert.equal(fan.message, 'The crt stream needs 100000002 vertices; the limit is 16777216.');
        assert.ok(fan.milliseconds < 1000, `refused in ${fan.milliseconds} ms`);
    }

    const classic = await page.evaluate(() => new Promise((resolve) => {
        const worker = new Worker('/classic-worker.js');
        worker.onmessage = (e) => resolve(e.data);
        worker.onerror = (e) => resolve(`error: ${e.message}`);
    }));
    assert.equal(classic, 871200);
    assert.deepEqual(problems, []);
});
