#include <string_view>

namespace cubepack {

// The page's script, after three.js and its orbit controls. Cell (x, y, z) of the line stands
// at (x, -y, -z) about the box's centre: y = 0 on top, as in the layer drawings. Each piece is
// one mesh of its outer faces, and its edges are drawn where those faces fold, so a piece shows
// its outline and no seams of its own. Texts from the puzzle reach the page through textContent
// only.
extern const std::string_view kPackingPageScript;
const std::string_view kPackingPageScript = R"js((function () {
'use strict';
var data = JSON.parse(document.getElementById('packing').textContent);
var sx = data.size[0], sy = data.size[1], sz = data.size[2];
var state = { explode: 0, hide: {}, cam: null, shade: true, step: 0 };
var moves = data.moves || null;  // the disassembly to play, with show --moves
var tween = 0;  // how far into move state.step the player is, 0 to 1
var pieces = [];  // per legend entry: { label, group, centre, item }

function cellAt(x, y, z) {
  if (x < 0 || y < 0 || z < 0 || x >= sx || y >= sy || z >= sz) return '.';
  return data.cells.charAt(x + sx * (y + sy * z));
}

// The six sides of a cube: the neighbour's offset and the side's corners, counter-clockwise
// seen from outside, in the line's coordinates.
var SIDES = [
  { d: [1, 0, 0], c: [[1, 0, 0], [1, 1, 0], [1, 1, 1], [1, 0, 1]] },
  { d: [-1, 0, 0], c: [[0, 0, 0], [0, 0, 1], [0, 1, 1], [0, 1, 0]] },
  { d: [0, 1, 0], c: [[0, 1, 0], [0, 1, 1], [1, 1, 1], [1, 1, 0]] },
  { d: [0, -1, 0], c: [[0, 0, 0], [1, 0, 0], [1, 0, 1], [0, 0, 1]] },
  { d: [0, 0, 1], c: [[0, 0, 1], [1, 0, 1], [1, 1, 1], [0, 1, 1]] },
  { d: [0, 0, -1], c: [[0, 0, 0], [0, 1, 0], [1, 1, 0], [1, 0, 0]] }
];

function place(p) { return [p[0] - sx / 2, -(p[1] - sy / 2), -(p[2] - sz / 2)]; }

// The faces of piece `label` that no cube of its own covers, as triangles.
function pieceGeometry(label) {
  var pos = [], sum = [0, 0, 0], n = 0;
  for (var z = 0; z < sz; ++z) for (var y = 0; y < sy; ++y) for (var x = 0; x < sx; ++x) {
    if (cellAt(x, y, z) !== label) continue;
    var c = place([x + 0.5, y + 0.5, z + 0.5]);
    sum[0] += c[0]; sum[1] += c[1]; sum[2] += c[2]; ++n;
    SIDES.forEach(function (s) {
      if (cellAt(x + s.d[0], y + s.d[1], z + s.d[2]) === label) return;
      // Flipping y and z is a half turn, so the corners keep their winding.
      var q = s.c.map(function (k) { return place([x + k[0], y + k[1], z + k[2]]); });
      [0, 1, 2, 0, 2, 3].forEach(function (i) { pos.push(q[i][0], q[i][1], q[i][2]); });
    });
  }
  var g = new THREE.BufferGeometry();
  g.setAttribute('position', new THREE.Float32BufferAttribute(pos, 3));
  g.computeVertexNormals();
  return { geometry: g, centre: n ? new THREE.Vector3(sum[0] / n, sum[1] / n, sum[2] / n) : null };
}

var view = document.getElementById('view');
var renderer = new THREE.WebGLRenderer({ antialias: true, preserveDrawingBuffer: true });
renderer.setPixelRatio(window.devicePixelRatio || 1);
renderer.setClearColor(0xffffff);
view.appendChild(renderer.domElement);
var scene = new THREE.Scene();
var camera = new THREE.PerspectiveCamera(40, 1, 0.1, 1000);
scene.add(new THREE.AmbientLight(0xffffff, 0.6));
var headlight = new THREE.DirectionalLight(0xffffff, 0.5);
headlight.position.set(0.3, 0.5, 1);
camera.add(headlight);
scene.add(camera);

// The view takes in the parts that the moves take out, too.
var radius = Math.sqrt(sx * sx + sy * sy + sz * sz) / 2, far = {};
(moves || []).forEach(function (m) {
  m.pieces.split('').forEach(function (l) {
    var o = far[l] || (far[l] = [0, 0, 0]);
    for (var i = 0; i < 3; ++i) o[i] += m.by[i];
  });
});
radius += Math.max.apply(null, [0].concat(Object.keys(far).map(function (l) {
  return Math.sqrt(far[l][0] * far[l][0] + far[l][1] * far[l][1] + far[l][2] * far[l][2]);
})));
var home = new THREE.Vector3(0.55, 0.6, 1).normalize()
  .multiplyScalar(1.25 * radius / Math.sin(Math.PI / 9));
camera.position.copy(home);
var controls = new THREE.OrbitControls(camera, renderer.domElement);
controls.enablePan = false;
controls.minDistance = radius;
controls.maxDistance = 12 * radius;
controls.saveState();
)js"
                                            R"js(
var meshes = [];
var legend = document.getElementById('legend');
data.pieces.forEach(function (p) {
  var made = pieceGeometry(p.label);
  if (!made.centre) return;
  var colour = new THREE.Color(p.colour);
  var options = { color: colour, polygonOffset: true, polygonOffsetFactor: 1,
                  polygonOffsetUnits: 1 };
  var lit = new THREE.MeshLambertMaterial(options), flat = new THREE.MeshBasicMaterial(options);
  var mesh = new THREE.Mesh(made.geometry, lit);
  var edges = new THREE.LineSegments(new THREE.EdgesGeometry(made.geometry, 1),
                                     new THREE.LineBasicMaterial({ color: 0x000000 }));
  var group = new THREE.Group();
  group.add(mesh);
  group.add(edges);
  scene.add(group);
  var item = document.createElement('li');
  var swatch = document.createElement('span');
  swatch.className = 'swatch';
  swatch.style.background = p.colour;
  var label = document.createElement('span');
  label.className = 'label';
  label.textContent = p.label;
  var name = document.createElement('span');
  name.textContent = p.name;
  item.appendChild(swatch);
  item.appendChild(label);
  item.appendChild(name);
  legend.appendChild(item);
  var piece = { label: p.label, group: group, centre: made.centre, item: item, mesh: mesh,
                lit: lit, flat: flat };
  mesh.userData.piece = piece;
  meshes.push(mesh);
  pieces.push(piece);
  item.addEventListener('click', function () { toggle(piece); });
});
document.getElementById('title').textContent = data.title;

function render() {
  var w = view.clientWidth || 1, h = view.clientHeight || 1;
  renderer.setSize(w, h, false);
  renderer.domElement.style.width = '100%';
  renderer.domElement.style.height = '100%';
  camera.aspect = w / h;
  camera.updateProjectionMatrix();
  renderer.render(scene, camera);
}

// Where the moves before `step` (and `tween` of the next) have taken each piece, by label.
function moved() {
  var at = {};
  if (!moves) return at;
  for (var k = 0; k < moves.length && k <= state.step; ++k) {
    var f = k < state.step ? 1 : tween;
    if (!f) continue;
    moves[k].pieces.split('').forEach(function (l) {
      var o = at[l] || (at[l] = [0, 0, 0]);
      for (var i = 0; i < 3; ++i) o[i] += f * moves[k].by[i];
    });
  }
  return at;
}

function showStep() {
  if (!moves) return;
  document.getElementById('step').value = String(state.step);
  document.getElementById('steptext').textContent = 'step ' + state.step + ' of ' +
    moves.length + (state.step ? ': ' + moves[state.step - 1].text : '');
}

function apply() {
  document.getElementById('explode').value = String(state.explode);
  var at = moved();
  showStep();
  pieces.forEach(function (p) {
    var o = at[p.label] || [0, 0, 0];
    p.group.position.copy(p.centre).multiplyScalar(1.5 * state.explode)
      .add(new THREE.Vector3(o[0], -o[1], -o[2]));
    p.group.visible = !state.hide[p.label];
    p.item.className = state.hide[p.label] ? 'hidden' : '';
    p.mesh.material = state.shade ? p.lit : p.flat;
  });
  if (state.cam) {
    camera.position.set(state.cam[0], state.cam[1], state.cam[2]);
    controls.update();
  }
  render();
}
)js"
                                            R"js(
// The fragment: explode=F&hide=A,B&cam=X,Y,Z&step=K (and shade=0 for flat colours), each
// optional.
function readFragment() {
  var next = { explode: 0, hide: {}, cam: null, shade: true, step: 0 };
  location.hash.replace(/^#/, '').split('&').forEach(function (part) {
    var at = part.indexOf('=');
    if (at < 0) return;
    var key = part.slice(0, at), value;
    try { value = decodeURIComponent(part.slice(at + 1)); } catch (e) { return; }
    if (key === 'explode') {
      var f = parseFloat(value);
      if (f >= 0 && f <= 1) next.explode = f;
    } else if (key === 'hide') {
      value.split(',').forEach(function (l) { if (l) next.hide[l] = true; });
    } else if (key === 'cam') {
      var v = value.split(',').map(parseFloat);
      if (v.length === 3 && v.every(isFinite) && (v[0] || v[1] || v[2])) next.cam = v;
    } else if (key === 'shade') {
      next.shade = value !== '0';
    } else if (key === 'step' && moves) {
      var k = Number(value);
      if (Number.isInteger(k) && k >= 0 && k <= moves.length) next.step = k;
    }
  });
  state = next;
}

function fragment() {
  var parts = [];
  if (state.explode > 0) parts.push('explode=' + state.explode);
  var hidden = pieces.filter(function (p) { return state.hide[p.label]; })
    .map(function (p) { return encodeURIComponent(p.label); });
  if (hidden.length) parts.push('hide=' + hidden.join(','));
  if (state.cam) parts.push('cam=' + state.cam.map(function (v) { return v.toFixed(2); }).join(','));
  if (state.step > 0) parts.push('step=' + state.step);
  if (!state.shade) parts.push('shade=0');
  return parts.length ? '#' + parts.join('&') : '';
}

var writing = false;
function writeFragment() {
  var next = fragment();
  if (next === location.hash || (next === '' && location.hash === '#')) return;
  writing = true;
  try {
    history.replaceState(null, '', next || location.pathname + location.search);
  } catch (e) {
    location.hash = next;
  }
  writing = false;
}

function toggle(piece) {
  if (state.hide[piece.label]) delete state.hide[piece.label];
  else state.hide[piece.label] = true;
  apply();
  writeFragment();
}
)js"
                                            R"js(
controls.addEventListener('change', function () {
  state.cam = camera.position.toArray();
  render();
});
controls.addEventListener('end', writeFragment);
document.getElementById('explode').addEventListener('input', function (e) {
  state.explode = parseFloat(e.target.value) || 0;
  apply();
  writeFragment();
});
// The player: each move slides its pieces over half a second, then the next one.
var playing = false;
function stopPlaying() {
  playing = false;
  tween = 0;
  document.getElementById('play').textContent = 'play';
}
function playFrom(start) {
  if (!playing) return;
  requestAnimationFrame(function (now) {
    if (!playing) return;
    tween = Math.min((now - start) / 500, 1);
    if (tween < 1) {
      apply();
      return playFrom(start);
    }
    tween = 0;
    state.step += 1;
    apply();
    writeFragment();
    if (state.step >= moves.length) return stopPlaying();
    setTimeout(function () { playFrom(performance.now()); }, 150);
  });
}
if (moves) {
  document.getElementById('player').hidden = false;
  document.getElementById('level').textContent = data.movesTitle;
  document.getElementById('step').max = String(moves.length);
  document.getElementById('step').addEventListener('input', function (e) {
    stopPlaying();
    state.step = parseInt(e.target.value, 10) || 0;
    apply();
    writeFragment();
  });
  document.getElementById('play').addEventListener('click', function () {
    if (playing) return stopPlaying();
    if (!moves.length) return;
    if (state.step >= moves.length) state.step = 0;
    playing = true;
    document.getElementById('play').textContent = 'pause';
    playFrom(performance.now());
  });
}
document.getElementById('reset').addEventListener('click', function () {
  controls.reset();
  state.cam = null;
  writeFragment();
  render();
});

// A click that did not turn the view hides the piece under it.
var downAt = null;
renderer.domElement.addEventListener('pointerdown', function (e) { downAt = [e.clientX, e.clientY]; });
renderer.domElement.addEventListener('pointerup', function (e) {
  if (!downAt || Math.abs(e.clientX - downAt[0]) + Math.abs(e.clientY - downAt[1]) > 4) return;
  downAt = null;
  var box = renderer.domElement.getBoundingClientRect();
  var at = new THREE.Vector2((e.clientX - box.left) / box.width * 2 - 1,
                             -((e.clientY - box.top) / box.height) * 2 + 1);
  var ray = new THREE.Raycaster();
  ray.setFromCamera(at, camera);
  var hits = ray.intersectObjects(meshes.filter(function (m) { return m.parent.visible; }));
  if (hits.length) toggle(hits[0].object.userData.piece);
});

window.addEventListener('hashchange', function () {
  if (writing) return;
  stopPlaying();
  readFragment();
  if (!state.cam) {
    controls.reset();
    state.cam = null;  // the reset's change event set it
  }
  apply();
});
window.addEventListener('resize', render);
readFragment();
apply();
})();
)js";

}  // namespace cubepack
