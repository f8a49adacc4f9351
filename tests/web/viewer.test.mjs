// The viewer page in headless chromium. CRT_SITE is the folder the page is
// served from, CRT_STREAMS holds the sample streams of crt_web_reference,
// QUELLIN_CHROMIUM the browser; CRT_VIEWER_SHOTS, when set, keeps the
// screenshots.
import assert from 'node:assert/strict';
import { spawn } from 'node:child_process';
import { mkdirSync, readFileSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { after, before, test } from 'node:test';
import puppeteer from 'puppeteer-core';

const streams = process.env.CRT_STREAMS;
const shots = process.env.CRT_VIEWER_SHOTS;
let server;
let browser;
let page;
const pageErrors = [];

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

before(async () => {
    const url = await serve(process.env.CRT_SITE);
    browser = await puppeteer.launch({
        executablePath: process.env.QUELLIN_CHROMIUM || 'chromium',
        headless: true,
        args: ['--no-sandbox', '--use-gl=swiftshader', '--enable-unsafe-swiftshader', '--disable-background-networking',
            '--disable-component-update', '--disable-sync', '--no-first-run'],
    });
    page = await browser.newPage();
    await page.setViewport({ width: 960, height: 640 });
    page.on('pageerror', (e) => pageErrors.push(e.message));
    page.on('console', (m) => m.type() === 'error' && pageErrors.push(m.text()));
    await page.goto(url + 'index.html');
    await page.waitForSelector('#status[data-state="waiting"]', { timeout: 20000 });
});

after(async () => {
    await browser?.close();
    server?.kill();
});

const text = (id) => page.$eval(`#${id}`, (e) => e.textContent);

async function waitForState(state) {
    await page.waitForSelector(`#status[data-state="${state}"]`, { timeout: 20000 });
    return text('status');
}

async function choose(name, bytes) {
    const path = join(streams, name);
    if (bytes) writeFileSync(path, bytes);
    const input = await page.$('#file-input');
    await input.uploadFile(path);
}

// A real drop: the page gets a drop event whose DataTransfer holds the file.
async function drop(name) {
    const base64 = readFileSync(join(streams, name)).toString('base64');
    await page.evaluate((data, fileName) => {
        const bytes = Uint8Array.from(atob(data), (c) => c.charCodeAt(0));
        const transfer = new DataTransfer();
        transfer.items.add(new File([bytes], fileName));
        document.querySelector('main').dispatchEvent(new DragEvent('drop', { dataTransfer: transfer, bubbles: true }));
    }, base64, name);
}

// The canvas as a screenshot: how many pixels differ from the corner's (the
// clear colour), and how many grey levels those pixels span (a lit surface
// spans many, an unlit or black one few).
async function canvasPixels(shotName) {
    await new Promise((resolve) => setTimeout(resolve, 100));  // the frame after the last change
    const png = await (await page.$('#view')).screenshot();
    if (shots) {
        mkdirSync(shots, { recursive: true });
        writeFileSync(join(shots, shotName), png);
    }
    return page.evaluate(async (data) => {
        const blob = await (await fetch(`data:image/png;base64,${data}`)).blob();
        const image = await createImageBitmap(blob);
        const canvas = new OffscreenCanvas(image.width, image.height);
        const context = canvas.getContext('2d');
        context.drawImage(image, 0, 0);
        const rgba = context.getImageData(0, 0, image.width, image.height).data;
        const clear = [rgba[0], rgba[1], rgba[2]];
        let covered = 0;
        const levels = new Set();
        for (let i = 0; i < rgba.length; i += 4) {
            if (Math.max(...[0, 1, 2].map((k) => Math.abs(rgba[i + k] - clear[k]))) <= 6) continue;
            ++covered;
            levels.add(Math.round((rgba[i] + rgba[i + 1] + rgba[i + 2]) / 3));
        }
        return { clear, covered: covered / (image.width * image.height), levels: levels.size };
    }, png.toString('base64'));
}

function assertLitMesh(pixels, what) {
    assert.ok(pixels.clear.every((v, k) => Math.abs(v - [23, 26, 31][k]) <= 3), `${what}: clear colour ${pixels.clear}`);
    assert.ok(pixels.covered > 0.1, `${what}: the mesh covers ${pixels.covered} of the canvas`);
    assert.ok(pixels.levels > 40, `${what}: only ${pixels.levels} grey levels`);
}

test('a chosen file is counted and drawn lit, with its normals and colours', async () => {
    await choose('sphere-every-attribute.crt');
    await waitForState('shown');
    assert.equal(await text('vertices'), '2,562');
    assert.equal(await text('faces'), '5,120');
    assert.equal(await text('normals'), 'stored');
    assert.equal(await text('colors'), 'stored');
    assert.equal(await text('uvs'), 'stored');
    const size = readFileSync(join(streams, 'sphere-every-attribute.crt')).length;
    assert.match(await text('size'), new RegExp(`^${size.toLocaleString('en')} bytes`));
    assert.match(await text('decode-time'), /^\d+\.\d ms$/);
    assertLitMesh(await canvasPixels('sphere.png'), 'sphere');
});

test('a dropped file without normals is drawn with flat ones', async () => {
    await drop('torus-positions-only.crt');
    await waitForState('shown');
    assert.equal(await text('file'), 'torus-positions-only.crt');
    assert.equal(await text('vertices'), '2,048');
    assert.equal(await text('faces'), '4,096');
    assert.equal(await text('normals'), 'none (flat shading)');
    assert.equal(await text('colors'), 'none');
    assertLitMesh(await canvasPixels('torus.png'), 'torus');

    // The context taken away and given back: the mesh is built and drawn again.
    await page.evaluate(async () => {
        const canvas = document.getElementById('view');
        const lose = canvas.getContext('webgl2').getExtension('WEBGL_lose_context');
        const restored = new Promise((resolve) => canvas.addEventListener('webglcontextrestored', resolve, { once: true }));
        lose.loseContext();
        await new Promise((resolve) => setTimeout(resolve, 50));
        lose.restoreContext();
        await Promise.race([restored, new Promise((resolve) => setTimeout(resolve, 5000))]);
    });
    assertLitMesh(await canvasPixels('torus-restored.png'), 'torus after a lost context');
});

test('a damaged file or one of another kind gives a message, and the page goes on', async () => {
    const sphere = readFileSync(join(streams, 'sphere-every-attribute.crt'));
    await choose('cut.crt', sphere.subarray(0, sphere.length >> 1));
    assert.equal(await waitForState('failed'), 'cut.crt cannot be shown: Truncated crt stream.');
    // The message stands over the empty view as well as in the status line.
    assert.equal(await text('notice'), 'cut.crt cannot be shown: Truncated crt stream.');
    assert.ok(await page.$eval('#notice', (e) => !e.hidden && e.offsetHeight > 0));
    await canvasPixels('damaged.png');
    await page.$eval('#notice', (e) => (e.style.visibility = 'hidden'));
    const empty = await canvasPixels('damaged-view.png');
    await page.$eval('#notice', (e) => (e.style.visibility = ''));
    assert.equal(empty.covered, 0, 'the last mesh is no longer drawn');
    assert.equal(await text('vertices'), '–');

    await choose('picture.png', Buffer.from('\x89PNG\r\n\x1a\n not a mesh', 'latin1'));
    assert.equal(await waitForState('failed'), 'picture.png cannot be shown: Not a crt file.');

    await choose('sphere-every-attribute.crt');
    await waitForState('shown');
    assert.deepEqual(pageErrors, []);
});
