// The viewer page: a .crt file chosen or dropped is decoded with the crt
// package (crt/, @quellin/crt) under its default limits and shown; its
// counts, its size and the decode time go beside the view. A file
// that cannot be shown leaves a message saying why, in the status line and
// over the empty view. The page's state ("waiting", "loading", "shown",
// "failed") is on the status line's data-state, for whoever drives the page.
import { MeshView } from './mesh-view.mjs';

const $ = (id) => document.getElementById(id);
const status = $('status');
const facts = ['file', 'size', 'vertices', 'faces', 'normals', 'colors', 'uvs', 'decode-time'];

const notice = $('notice');

function setStatus(state, text) {
    status.dataset.state = state;
    status.textContent = text;
    status.classList.toggle('error', state === 'failed');
    notice.hidden = state === 'shown' || state === 'loading';
    notice.textContent = text;
    notice.classList.toggle('error', state === 'failed');
}

function showFacts(values) {
    for (const id of facts) $(id).textContent = values[id] ?? '–';
}

let view = null;
let crt = null;

async function start() {
    try {
        view = new MeshView($('view'));
    } catch (e) {
        setStatus('failed', `The mesh cannot be drawn here: ${e.message}`);
        return;
    }
    try {
        crt = await import('./crt/crt.mjs');
        await crt.load();
    } catch (e) {
        setStatus('failed', `The crt decoder could not be loaded: ${e.message}`);
        return;
    }
    $('file-input').addEventListener('change', (e) => {
        if (e.target.files.length) open(e.target.files[0]);
    });
    window.addEventListener('dragover', (e) => {
        e.preventDefault();
        document.body.classList.add('dragging');
    });
    window.addEventListener('dragleave', () => document.body.classList.remove('dragging'));
    window.addEventListener('drop', (e) => {
        e.preventDefault();
        document.body.classList.remove('dragging');
        if (e.dataTransfer.files.length) open(e.dataTransfer.files[0]);
    });
    setStatus('waiting', 'Choose a .crt file or drop one on the page.');
}

async function open(file) {
    setStatus('loading', `Reading ${file.name}…`);
    showFacts({ file: file.name, size: formatBytes(file.size) });
    view.show(null);
    let mesh;
    let milliseconds;
    try {
        const bytes = new Uint8Array(await file.arrayBuffer());
        const start = performance.now();
        mesh = crt.decode(bytes);
        milliseconds = performance.now() - start;
        if (!mesh.positions || mesh.vertexCount === 0) throw new Error('The mesh has no positions to draw.');
        view.show(mesh);
    } catch (e) {
        view.show(null);
        setStatus('failed', `${file.name} cannot be shown: ${e.message}`);
        return;
    }
    const stored = (array) => (array ? 'stored' : 'none');
    showFacts({
        file: file.name,
        size: formatBytes(file.size),
        vertices: mesh.vertexCount.toLocaleString('en'),
        faces: mesh.faceCount.toLocaleString('en'),
        normals: mesh.normals ? 'stored' : 'none (flat shading)',
        colors: stored(mesh.colors),
        uvs: stored(mesh.uvs),
        'decode-time': `${milliseconds.toFixed(1)} ms`,
    });
    setStatus('shown', 'Drag to turn the mesh, scroll to move nearer or farther.');
}

function formatBytes(n) {
    const exact = `${n.toLocaleString('en')} bytes`;
    if (n < 1024) return exact;
    const units = n < 1024 * 1024 ? [1024, 'KiB'] : [1024 * 1024, 'MiB'];
    return `${exact} (${(n / units[0]).toFixed(1)} ${units[1]})`;
}

start();
