// Drawing the page. Text from the phone only ever goes in as text, never as markup.
import { gpuMhz, levelOf, splitLines } from './commands.js';

export const $ = (selector) => document.querySelector(selector);

function el(tag, attrs = {}, ...children) {
  const node = document.createElement(tag);
  for (const [k, v] of Object.entries(attrs)) node.setAttribute(k, v);
  node.append(...children);
  return node;
}

const mhz = (khz) => `${Math.round(khz / 1000)} MHz`;

export function showFact(id, text) {
  $(`#${id}`).textContent = text || 'unknown';
}

export function showClusters(clusters) {
  const box = $('#clusters');
  box.replaceChildren();
  if (clusters.length === 0) box.append(el('p', { class: 'hint' }, 'No cpufreq policy found.'));
  clusters.forEach((c, i) => {
    const list = c.freqs.length ? c.freqs.map((f) => Math.round(f / 1000)).join(' ') + ' MHz' : 'not listed';
    box.append(
      el('div', { class: 'cluster' },
        el('h4', {}, `Cluster ${i + 1}: cpu${c.cores.join(', cpu')}`),
        el('p', {}, el('strong', {}, `now ${mhz(c.cur)}`), `, limits ${mhz(c.min)} to ${mhz(c.max)}`),
        el('p', { class: 'freqs' }, list)));
  });
}

export function showGpu(info, freqs) {
  const box = $('#gpu');
  box.replaceChildren();
  // A plain list shows in MHz, as the CPU's; a MediaTek table stays as it is.
  let available = freqs.Available;
  if (available && /^[0-9]+( [0-9]+)*$/.test(available) && available.length <= 160) {
    available = available.split(' ').map(gpuMhz).join(' ') + ' MHz';
  }
  const rows = [['Type', info.Type], ['Frequencies', available], ['Nodes', info.Path]];
  for (const [k, v] of rows) {
    if (!v) continue;
    // MediaTek lists a whole table of operating points: folded until asked for.
    const value = v.length > 160 ? el('details', {}, el('summary', {}, 'the whole table'), v) : v;
    box.append(el('dt', {}, k), el('dd', k === 'Frequencies' ? { class: 'freqs' } : {}, value));
  }
  if (!box.firstChild) box.append(el('dd', {}, 'No GPU frequency interface found.'));
}

// What korvane changed (readStatus): what something else changed since
// first, where it stands out beside the restore button.
export function showStatus(box, status, emptyText) {
  box.replaceChildren();
  const total = status.changed.length + status.held.length + status.rebooted.length + status.other.length;
  if (total === 0) {
    box.append(el('p', { class: 'hint' }, emptyText));
    return;
  }
  const section = (title, cls, items, open) => {
    if (items.length === 0) return;
    const list = el('ul', { class: cls });
    for (const i of items) list.append(el('li', {}, el('code', {}, i.target), ' ', el('span', { class: 'value' }, i.text)));
    box.append(el('details', open ? { open: '' } : {}, el('summary', {}, `${title} (${items.length})`), list));
  };
  section('Changed since by something else', 'changed', status.changed, true);
  section('In force', 'held', status.held, status.changed.length === 0);
  section('Reset by a reboot', 'rebooted', status.rebooted, false);
  section('Not known', 'other', status.other, false);
  if (status.summary) box.append(el('p', { class: status.changed.length ? 'summary changed' : 'summary' }, status.summary));
}

// A preview's or an undo's [DRY] lines, grouped.
export function showChanges(box, groups, emptyText) {
  box.replaceChildren();
  const total = groups.nodes.length + groups.settings.length + groups.tools.length;
  if (total === 0) {
    box.append(el('p', { class: 'hint' }, emptyText));
    return;
  }
  const section = (title, cls, items) => {
    if (items.length === 0) return;
    const list = el('ul', { class: cls });
    items.forEach((i) => list.append(i));
    box.append(el('details', { open: '' }, el('summary', {}, `${title} (${items.length})`), list));
  };
  section('Nodes', 'nodes', groups.nodes.map((n) => {
    const what = [n.value !== undefined ? `← ${n.value}` : '', n.mode ? `mode ${n.mode}` : '', n.removed ? 'removed' : '']
      .filter(Boolean).join(', ');
    return el('li', { 'data-path': n.path }, el('code', {}, n.path), ' ', el('span', { class: 'value' }, what));
  }));
  // A long value shows its start; the whole command is its title.
  const run = (s) => el('li', { title: s }, el('code', {}, s));
  section('Settings', 'settings', groups.settings.map(run));
  section('Tool runs', 'tools', groups.tools.map(run));
}

// The live log: a heading per command, then each line with its level.
export function logCommand(label) {
  const list = $('#log-lines');
  list.append(el('li', { class: 'command' }, `$ ${label}`));
  list.scrollTop = list.scrollHeight;
}

export function logOutput(stdout, stderr) {
  const list = $('#log-lines');
  for (const line of splitLines(stdout)) list.append(el('li', { class: levelOf(line) }, line));
  for (const line of splitLines(stderr)) list.append(el('li', { class: 'error stderr' }, line));
  // The newest line in sight, without moving the page away from what was clicked.
  list.scrollTop = list.scrollHeight;
}

export function logNote(text, level = 'error') {
  $('#log-lines').append(el('li', { class: `${level} page` }, text));
}

// A bypass test's lines, one per switch tried, each with its level.
export function showChargeLines(lines, id = 'charging-lines') {
  $(`#${id}`).replaceChildren(...lines.map((line) => el('li', { class: levelOf(line) }, line)));
}

export function clearLog() {
  $('#log-lines').replaceChildren();
}

// kind: ok, error or '' (clears)
export function message(id, text, kind = 'error') {
  const box = $(`#${id}`);
  box.textContent = text;
  box.className = `message ${text ? kind : ''}`;
}

export function setStatus(text, kind = '') {
  const s = $('#status');
  s.textContent = text;
  s.className = kind;
}

export function setBusy(busy) {
  document.body.setAttribute('aria-busy', String(busy));
  for (const b of document.querySelectorAll('main button')) b.disabled = busy;
}

export function showSwitches(switches, config) {
  const box = $('#switches');
  box.replaceChildren();
  for (const s of switches) {
    const box2 = el('input', { type: 'checkbox', name: `${s.group}.${s.key}` });
    box2.checked = config[s.group][s.key];
    box.append(el('label', { class: 'switch' }, box2, el('span', {}, s.label, el('code', {}, s.key))));
  }
  $('#config-form').elements.scale.value = String(config.downscaling.scale);
}

export function readSwitches(switches) {
  const form = $('#config-form');
  return Object.fromEntries(switches.map((s) => [`${s.group}.${s.key}`, form.elements[`${s.group}.${s.key}`].checked]));
}
