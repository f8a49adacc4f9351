// Draws one decoded mesh with WebGL 2: lit by a key light beside the eye and
// a dimmer fill, in its vertex colours or a light grey, shaded with its own
// normals or, when it has none, with each triangle's flat normal. Dragging
// orbits the camera around the mesh; the wheel moves it nearer or farther.

const VERTEX_SHADER = `#version 300 es
layout(location = 0) in vec4 position;
layout(location = 1) in vec3 normal;
layout(location = 2) in vec4 color;
uniform mat4 modelView;
uniform mat4 projection;
out vec3 viewPosition;
out vec3 viewNormal;
out vec4 vertexColor;
void main() {
    vec4 p = modelView * vec4(position.xyz, 1.0);
    viewPosition = p.xyz;
    viewNormal = mat3(modelView) * normal;
    vertexColor = color;
    gl_Position = projection * p;
}`;

const FRAGMENT_SHADER = `#version 300 es
precision highp float;
in vec3 viewPosition;
in vec3 viewNormal;
in vec4 vertexColor;
uniform bool flatNormals;
out vec4 fragColor;
void main() {
    // The screen-space slope of the position is the triangle's plane; the
    // normal found from it always faces the eye.
    vec3 n = flatNormals ? cross(dFdx(viewPosition), dFdy(viewPosition)) : viewNormal;
    n = normalize(n);
    if (!flatNormals && !gl_FrontFacing) n = -n;
    vec3 toEye = normalize(-viewPosition);
    vec3 key = normalize(vec3(0.35, 0.55, 0.75));
    vec3 fill = normalize(vec3(-0.6, -0.2, 0.4));
    float diffuse = 0.7 * max(dot(n, key), 0.0) + 0.25 * max(dot(n, fill), 0.0);
    float specular = 0.2 * pow(max(dot(reflect(-key, n), toEye), 0.0), 24.0);
    fragColor = vec4(vertexColor.rgb * (0.15 + diffuse) + specular, 1.0);
}`;

export const CLEAR_COLOR = [0.09, 0.1, 0.12];
const GREY = [0.8, 0.79, 0.76, 1];
const FIELD_OF_VIEW = Math.PI / 4;

export class MeshView {
    constructor(canvas) {
        const gl = canvas.getContext('webgl2', { antialias: true });
        if (!gl) throw new Error('This browser offers no WebGL 2.');
        this.canvas = canvas;
        this.gl = gl;
        this.setUpContext();
        this.shown = null;  // the mesh as given, to upload again after a lost context
        this.mesh = null;
        // The browser may take the context away (a driver reset, too many
        // pages): everything is built again when it gives it back.
        canvas.addEventListener('webglcontextlost', (event) => event.preventDefault());
        canvas.addEventListener('webglcontextrestored', () => {
            this.setUpContext();
            this.show(this.shown);
        });
        this.yaw = 0.6;
        this.pitch = 0.35;
        this.listenToMouse();
        new ResizeObserver(() => this.redraw()).observe(canvas);
        this.redraw();
    }

    setUpContext() {
        const gl = this.gl;
        this.program = linkProgram(gl, VERTEX_SHADER, FRAGMENT_SHADER);
        this.uniforms = {};
        for (const name of ['modelView', 'projection', 'flatNormals'])
            this.uniforms[name] = gl.getUniformLocation(this.program, name);
        this.vertexArray = gl.createVertexArray();
        this.buffers = [];
    }

    // Replaces the mesh on view; null leaves the view empty.
    show(mesh) {
        const gl = this.gl;
        for (const buffer of this.buffers) gl.deleteBuffer(buffer);
        this.buffers = [];
        this.mesh = null;
        this.shown = null;
        if (mesh) {
            const width = mesh.positions.length / mesh.vertexCount;
            if (!(width >= 1 && width <= 4)) throw new Error(`Positions of ${width} values per vertex cannot be drawn.`);
            this.shown = mesh;
            if (gl.isContextLost()) return;  // uploaded when the context comes back
            gl.bindVertexArray(this.vertexArray);
            this.attribute(0, mesh.positions, width);
            this.attribute(1, mesh.normals, 3);
            this.attribute(2, mesh.colors, 4, GREY);
            const indices = gl.createBuffer();
            this.buffers.push(indices);
            gl.bindBuffer(gl.ELEMENT_ARRAY_BUFFER, indices);
            gl.bufferData(gl.ELEMENT_ARRAY_BUFFER, mesh.indices, gl.STATIC_DRAW);
            gl.bindVertexArray(null);
            this.mesh = { indexCount: mesh.indices.length, flat: !mesh.normals, ...bounds(mesh.positions, width) };
            this.distance = this.mesh.radius / Math.sin(FIELD_OF_VIEW / 2);
        }
        this.redraw();
    }

    attribute(location, values, size, constant) {
        const gl = this.gl;
        if (!values) {
            gl.disableVertexAttribArray(location);
            if (constant) gl.vertexAttrib4fv(location, constant);
            return;
        }
        const buffer = gl.createBuffer();
        this.buffers.push(buffer);
        gl.bindBuffer(gl.ARRAY_BUFFER, buffer);
        gl.bufferData(gl.ARRAY_BUFFER, values, gl.STATIC_DRAW);
        gl.enableVertexAttribArray(location);
        gl.vertexAttribPointer(location, size, gl.FLOAT, false, 0, 0);
    }

    redraw() {
        if (this.frameRequested) return;
        this.frameRequested = true;
        requestAnimationFrame(() => {
            this.frameRequested = false;
            this.draw();
        });
    }

    draw() {
        const gl = this.gl;
        if (gl.isContextLost()) return;
        const canvas = this.canvas;
        const scale = window.devicePixelRatio || 1;
        canvas.width = Math.max(1, Math.round(canvas.clientWidth * scale));
        canvas.height = Math.max(1, Math.round(canvas.clientHeight * scale));
        gl.viewport(0, 0, canvas.width, canvas.height);
        gl.clearColor(...CLEAR_COLOR, 1);
        gl.clear(gl.COLOR_BUFFER_BIT | gl.DEPTH_BUFFER_BIT);
        const mesh = this.mesh;
        if (!mesh) return;

        const near = Math.max(this.distance - 1.5 * mesh.radius, this.distance * 0.01);
        const far = this.distance + 1.5 * mesh.radius;
        const modelView = multiply(
            translation(0, 0, -this.distance),
            multiply(rotationX(this.pitch), multiply(rotationY(this.yaw), translation(...mesh.center.map((c) => -c)))),
        );
        gl.enable(gl.DEPTH_TEST);
        gl.useProgram(this.program);
        gl.uniformMatrix4fv(this.uniforms.modelView, false, modelView);
        gl.uniformMatrix4fv(this.uniforms.projection, false, perspective(canvas.width / canvas.height, near, far));
        gl.uniform1i(this.uniforms.flatNormals, mesh.flat ? 1 : 0);
        gl.bindVertexArray(this.vertexArray);
        gl.drawElements(gl.TRIANGLES, mesh.indexCount, gl.UNSIGNED_INT, 0);
        gl.bindVertexArray(null);
    }

    listenToMouse() {
        let last = null;
        this.canvas.addEventListener('pointerdown', (e) => {
            last = [e.clientX, e.clientY];
            this.canvas.setPointerCapture(e.pointerId);
        });
        for (const type of ['pointerup', 'pointercancel']) this.canvas.addEventListener(type, () => (last = null));
        this.canvas.addEventListener('pointermove', (e) => {
            if (!last) return;
            this.yaw += (e.clientX - last[0]) * 0.01;
            this.pitch = Math.max(-1.55, Math.min(1.55, this.pitch + (e.clientY - last[1]) * 0.01));
            last = [e.clientX, e.clientY];
            this.redraw();
        });
        this.canvas.addEventListener('wheel', (e) => {
            if (!this.mesh) return;
            e.preventDefault();
            this.distance = Math.max(this.mesh.radius * 0.05, this.distance * Math.exp(e.deltaY * 0.001));
            this.redraw();
        }, { passive: false });
    }
}

function linkProgram(gl, vertexSource, fragmentSource) {
    const program = gl.createProgram();
    for (const [type, source] of [[gl.VERTEX_SHADER, vertexSource], [gl.FRAGMENT_SHADER, fragmentSource]]) {
        const shader = gl.createShader(type);
        gl.shaderSource(shader, source);
        gl.compileShader(shader);
        if (!gl.getShaderParameter(shader, gl.COMPILE_STATUS)) throw new Error(gl.getShaderInfoLog(shader));
        gl.attachShader(program, shader);
    }
    gl.linkProgram(program);
    if (!gl.getProgramParameter(program, gl.LINK_STATUS)) throw new Error(gl.getProgramInfoLog(program));
    return program;
}

// Centre and radius of the box around the finite positions (x, y, z; fewer
// components count as 0).
function bounds(positions, width) {
    const low = [Infinity, Infinity, Infinity];
    const high = [-Infinity, -Infinity, -Infinity];
    for (let i = 0; i < positions.length; i += width) {
        for (let k = 0; k < 3; ++k) {
            const v = k < width ? positions[i + k] : 0;
            if (!Number.isFinite(v)) continue;
            low[k] = Math.min(low[k], v);
            high[k] = Math.max(high[k], v);
        }
    }
    if (!(low[0] <= high[0])) return { center: [0, 0, 0], radius: 1 };
    const center = low.map((l, k) => (l + high[k]) / 2);
    const radius = Math.hypot(...low.map((l, k) => high[k] - l)) / 2;
    return { center, radius: radius > 0 ? radius : 1 };
}

// Column-major 4 x 4 matrices, as WebGL takes them.
function multiply(a, b) {
    const out = new Float32Array(16);
    for (let c = 0; c < 4; ++c)
        for (let r = 0; r < 4; ++r)
            for (let k = 0; k < 4; ++k) out[4 * c + r] += a[4 * k + r] * b[4 * c + k];
    return out;
}

function translation(x, y, z) {
    return new Float32Array([1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1]);
}

function rotationX(angle) {
    const c = Math.cos(angle), s = Math.sin(angle);
    return new Float32Array([1, 0, 0, 0, 0, c, s, 0, 0, -s, c, 0, 0, 0, 0, 1]);
}

function rotationY(angle) {
    const c = Math.cos(angle), s = Math.sin(angle);
    return new Float32Array([c, 0, -s, 0, 0, 1, 0, 0, s, 0, c, 0, 0, 0, 0, 1]);
}

function perspective(aspect, near, far) {
    const f = 1 / Math.tan(FIELD_OF_VIEW / 2);
    return new Float32Array([
        f / aspect, 0, 0, 0,
        0, f, 0, 0,
        0, 0, (far + near) / (near - far), -1,
        0, 0, (2 * far * near) / (near - far), 0,
    ]);
}
