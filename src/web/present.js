// Putting the program's frames on the canvas. The canvas holds the picture at
// its own 1280 x 720; the page scales it (scale.js) without smoothing. Two ways
// to present: putImageData (the default, the faster here) and a WebGL texture
// drawn with nearest sampling (?present=webgl), kept to measure against.

// A presenter: show(heap, offset, width, height, firstRow, rows) puts rows
// firstRow to firstRow + rows - 1 of the RGBA picture at heap[offset] on the
// canvas; the other rows already stand there (rows 0: nothing changed).
export function makePresenter(canvas, kind) {
  if (kind === "webgl") {
    const p = webglPresenter(canvas);
    if (p) return p;
  }
  return canvasPresenter(canvas);
}

function canvasPresenter(canvas) {
  const context = canvas.getContext("2d", { alpha: false });
  let image = null, buffer = null, offset = -1;
  return {
    kind: "2d",
    show(heap, at, width, height, firstRow, rows) {
      if (rows <= 0) return;
      // One ImageData over the wasm memory, made again only when the memory grows.
      if (!image || buffer !== heap.buffer || offset !== at) {
        image = new ImageData(new Uint8ClampedArray(heap.buffer, at, width * height * 4), width, height);
        buffer = heap.buffer;
        offset = at;
      }
      context.putImageData(image, 0, 0, 0, firstRow, width, rows);
    },
    read() { return context.getImageData(0, 0, canvas.width, canvas.height).data; },
  };
}

function webglPresenter(canvas) {
  const gl = canvas.getContext("webgl", { alpha: false, antialias: false, depth: false, preserveDrawingBuffer: true });
  if (!gl) return null;
  const shader = (type, source) => {
    const s = gl.createShader(type);
    gl.shaderSource(s, source);
    gl.compileShader(s);
    return s;
  };
  const program = gl.createProgram();
  gl.attachShader(program, shader(gl.VERTEX_SHADER,
    "attribute vec2 p; varying vec2 t; void main() { t = vec2(p.x + 1.0, 1.0 - p.y) * 0.5; gl_Position = vec4(p, 0.0, 1.0); }"));
  gl.attachShader(program, shader(gl.FRAGMENT_SHADER,
    "precision mediump float; uniform sampler2D s; varying vec2 t; void main() { gl_FragColor = texture2D(s, t); }"));
  gl.linkProgram(program);
  gl.useProgram(program);
  gl.bindBuffer(gl.ARRAY_BUFFER, gl.createBuffer());
  gl.bufferData(gl.ARRAY_BUFFER, new Float32Array([-1, -1, 3, -1, -1, 3]), gl.STATIC_DRAW);
  gl.enableVertexAttribArray(0);
  gl.vertexAttribPointer(0, 2, gl.FLOAT, false, 0, 0);
  gl.bindTexture(gl.TEXTURE_2D, gl.createTexture());
  for (const [k, v] of [[gl.TEXTURE_MIN_FILTER, gl.NEAREST], [gl.TEXTURE_MAG_FILTER, gl.NEAREST],
                        [gl.TEXTURE_WRAP_S, gl.CLAMP_TO_EDGE], [gl.TEXTURE_WRAP_T, gl.CLAMP_TO_EDGE]]) {
    gl.texParameteri(gl.TEXTURE_2D, k, v);
  }
  let sized = false;
  return {
    kind: "webgl",
    show(heap, at, width, height, firstRow, rows) {
      if (rows <= 0) return;
      if (!sized) {
        gl.viewport(0, 0, canvas.width, canvas.height);
        gl.texImage2D(gl.TEXTURE_2D, 0, gl.RGBA, width, height, 0, gl.RGBA, gl.UNSIGNED_BYTE,
                      new Uint8Array(heap.buffer, at, width * height * 4));
        sized = true;
      } else {
        const pixels = new Uint8Array(heap.buffer, at + firstRow * width * 4, rows * width * 4);
        gl.texSubImage2D(gl.TEXTURE_2D, 0, 0, firstRow, width, rows, gl.RGBA, gl.UNSIGNED_BYTE, pixels);
      }
      gl.drawArrays(gl.TRIANGLES, 0, 3);
    },
    read() {
      const w = canvas.width, h = canvas.height, rows = new Uint8Array(w * h * 4), out = new Uint8ClampedArray(w * h * 4);
      gl.readPixels(0, 0, w, h, gl.RGBA, gl.UNSIGNED_BYTE, rows);
      for (let y = 0; y < h; ++y) out.set(rows.subarray((h - 1 - y) * w * 4, (h - y) * w * 4), y * w * 4);
      return out;
    },
  };
}
