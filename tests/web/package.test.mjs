// The npm package as its users get it: packed, installed offline into a
// scratch project, run in Node (docs/examples/decode.mjs), type-checked
// (package-page.ts), bundled by esbuild with docs/examples/worker.mjs and run
// in headless chromium. CRT_PACKAGE is the package folder; CRT_STREAMS holds
// large.crt (as large as the dragon scan) and fan.crt (91 bytes, a hundred
// million triangles).
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

before(async () => {
    [tarball] = JSON.parse(execFileSync('npm', ['pack', '--json', '--pack-destination', work, process.env.CRT_PACKAGE],
        { encoding: 'utf8' }));
    mkdirSync(app);
    writeFileSync(join(app, 'package.json'), JSON.stringify({ name: 'scratch', private: true, type: 'module' }));
    execFileSync('npm', ['install', '--offline', '--no-audit', '--no-fund', '--ignore-scripts', '--loglevel=error',
        join(work, tarball.filename)], { cwd: app, stdio: 'inherit' });
    for (const file of ['decode.mjs', 'worker.mjs']) copyFileSync(join(examples, file), join(app, file));
    copyFileSync(join(here, 'package-page.ts'), join(app, 'page.ts'));

    // As a site would: the bundles, crt.wasm beside them, the meshes.
    // Also for engines and bundles without top-level await.
    bundled = await esbuild.build({ absWorkingDir: app, entryPoints: ['page.ts', 'worker.mjs'], bundle: true, format: 'esm',
        platform: 'browser', outdir: dist, outExtension: { '.js': '.mjs' }, supported: { 'top-level-await': false },
        logLevel: 'silent' });
    copyFileSync(join(app, 'node_modules/@quellin/crt/crt.wasm'), join(dist, 'crt.wasm'));
    for (const file of ['large.crt', 'fan.crt']) copyFileSync(join(streams, file), join(dist, file));
    writeFileSync(join(dist, 'index.html'),
        '<!doctype html><meta charset="utf-8"><title>crt</title><link rel="icon" href="data:,">' +
        '<script type="module" src="page.mjs"></script>');
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
    assert.deepEqual(tarball.files.map((f) => f.path).sort(),
        ['README.md', 'crt-node.mjs', 'crt.d.ts', 'crt.mjs', 'crt.wasm', 'package.json']);

    const run = (file) => spawnSync('node', ['decode.mjs', join(streams, file)], { cwd: app, encoding: 'utf8' });
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
    const compilerOptions = { strict: true, noEmit: true, target: 'es2022', module: 'esnext', moduleResolution: 'bundler',
        lib: ['es2022', 'dom'], types: [] };
    writeFileSync(join(app, 'tsconfig.json'), JSON.stringify({ compilerOptions, files: ['page.ts'] }));
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

test('in chromium, the bundled page and its module Worker decode a dragon-sized mesh and refuse the 91-byte stream at once', async () => {
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
    const { vertexCount, outputBytes } = report.largeInfo;
    const large = { vertexCount, faceCount: 871200, arrayBytes: outputBytes, indicesInRange: true };
    assert.deepEqual({ ...report.large, milliseconds: 0 }, { ...large, milliseconds: 0 });
    assert.deepEqual(report.workerLarge, large);
    for (const fan of [report.fan, report.workerFan]) {
        assert.deepEqual([fan.status, fan.message ?? fan.error], [13, 'The crt stream needs 100000002 vertices; the limit is 16777216.']);
        assert.ok(fan.milliseconds < 1000, `refused in ${fan.milliseconds} ms`);
    }
    assert.deepEqual(problems, []);
});
