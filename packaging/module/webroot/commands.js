// Every command line this page runs is built here, from fixed words and
// checked numbers only, with each value single-quoted; and korvane's lines are
// read here. Anything else is refused before it reaches the shell.

// The module's own copy: there whatever the manager mounts into /system.
export const KORVANE = '/data/adb/modules/korvane/system/bin/korvane';
export const CONFIG_DIR = '/data/adb/.config/korvane';
export const CONFIG_PATH = `${CONFIG_DIR}/config.json`;
export const SHADOWING_CONFIG = '/data/user_de/0/com.android.shell/quelix/plugins/korvane/.config/config.json';
const kBootFile = '/data/adb/korvane/boot';
const kWatchLog = '/data/adb/korvane/watch.log';

export const MODES = ['gamemode', 'normalmode', 'batterymode'];
export const BOOT_CHOICES = ['off', ...MODES];

// A value the page will not pass on, with the reason for the person.
export class Refused extends Error {}

export function quote(text) {
  return `'${String(text).replaceAll("'", `'\\''`)}'`;
}

const kWords = new Set([
  '--dry-run', '--auto_setup', '--restore', '--status', '--on_boot', '--cpu_max', '--cpu_min', '--cpu_reset',
  '--gpu_max', '--gpu_min', '--gpu_reset', '--gpu_info', '--get_freq_available_gpu', '--get_refresh',
  '--bypass', 'on', 'off', 'test', '--watch', 'stop',
  ...BOOT_CHOICES,
]);

// A korvane run: { line, label }, label being what the log shows.
function korvane(...args) {
  for (const a of args) {
    const fine = typeof a === 'number' ? Number.isInteger(a) && a >= 0 && a <= 100 : kWords.has(a);
    if (!fine) throw new Refused(`Refused to run korvane with ${JSON.stringify(String(a))}`);
  }
  return { line: [KORVANE, ...args].map(quote).join(' '), label: ['korvane', ...args].join(' ') };
}

export function checkMode(word, choices = MODES) {
  if (!choices.includes(word)) throw new Refused(`"${word}" is not one of: ${choices.join(', ')}`);
  return word;
}

export function checkPercent(text) {
  const t = String(text).trim();
  if (!/^[0-9]{1,3}$/.test(t) || Number(t) > 100) {
    throw new Refused(`"${text}" is not a percentage: use a whole number from 0 to 100`);
  }
  return Number(t);
}

export const preview = (mode) => korvane('--dry-run', '--auto_setup', checkMode(mode));
export const apply = (mode) => korvane('--auto_setup', checkMode(mode));
export const previewRestore = () => korvane('--dry-run', '--restore');
export const restore = () => korvane('--restore');
export const status = () => korvane('--status');
export const setBootMode = (mode) => korvane('--on_boot', checkMode(mode, BOOT_CHOICES));
export const gpuInfo = () => korvane('--gpu_info');
export const gpuFrequencies = () => korvane('--get_freq_available_gpu');
export const refreshRate = () => korvane('--get_refresh');
// The per-app service runs on after the page's call returns: no stream of
// its own is left open for the bridge to wait on.
export function watchStart() {
  const run = korvane('--watch');
  return { line: `${run.line} </dev/null >/dev/null 2>&1 &`, label: `${run.label} (in the background)` };
}
export const watchStop = () => korvane('--watch', 'stop');
export const bypass = (action) => korvane('--bypass', checkMode(action, ['on', 'off', 'test']));

// kind: cpu or gpu; bound: max or min.
export function cap(kind, bound, text) {
  checkMode(kind, ['cpu', 'gpu']);
  checkMode(bound, ['max', 'min']);
  return korvane(`--${kind}_${bound}`, checkPercent(text));
}
export const capReset = (kind) => korvane(`--${checkMode(kind, ['cpu', 'gpu'])}_reset`);

// Plain reads, fixed lines.
export const reads = {
  model: 'getprop ro.product.model',
  release: 'getprop ro.build.version.release',
  kernel: 'cat /proc/sys/kernel/osrelease',
  // one line per core with cpufreq: core|related cores|current|min|max|available
  cores:
    'cd /sys/devices/system/cpu && for c in cpu[0-9]*; do [ -d $c/cpufreq ] || continue; f=$c/cpufreq; ' +
    'echo "$c|$(cat $f/related_cpus)|$(cat $f/scaling_cur_freq)|$(cat $f/scaling_min_freq)|' +
    '$(cat $f/scaling_max_freq)|$(cat $f/scaling_available_frequencies)"; done 2>/dev/null',
  bootMode: `cat ${quote(kBootFile)}`,
  watchLog: `tail -n 12 ${quote(kWatchLog)}`,
  config: `cat ${quote(CONFIG_PATH)}`,
  // korvane looks here first: a file here hides the page's own
  shadowingConfig: `test -e ${quote(SHADOWING_CONFIG)}`,
};

// ---- the configuration file -------------------------------------------------

export const SWITCHES = [
  { group: 'utility_tool', key: 'gms_auto', label: 'Game mode keeps Play services in doze' },
  { group: 'utility_tool', key: 'clear_ram', label: 'Game mode cleans RAM' },
  { group: 'utility_tool', key: 'surface_flinger', label: 'Every mode tunes SurfaceFlinger' },
  { group: 'battery_saving', key: 'bypass_charging', label: 'Game mode turns bypass charging on' },
  { group: 'battery_saving', key: 'fast_charge', label: 'Every mode forces fast charging' },
];
const kGroups = ['utility_tool', 'battery_saving', 'downscaling'];

export function defaultConfig() {
  const c = { utility_tool: {}, battery_saving: {}, downscaling: { scale: 0 } };
  for (const s of SWITCHES) c[s.group][s.key] = false;
  return c;
}

// korvane skips 0, resets at 1.0 and takes 0.1 to 1.0 otherwise, passing one decimal on.
export function checkScale(text) {
  const t = String(text).trim();
  if (!/^(0(\.0)?|0\.[1-9]|1(\.0)?)$/.test(t)) {
    throw new Refused(`Scale "${text}" refused: use 0 (no downscaling) or 0.1 to 1.0 in steps of 0.1 (1.0 resets)`);
  }
  return Number(t);
}

// What the file on the phone holds, as the form shows it. An array in place
// of a record lists its fields in order, as korvane reads it.
export function readConfig(text) {
  const config = defaultConfig();
  if (text.trim() === '') return { config, problem: null };
  let parsed;
  try {
    parsed = JSON.parse(text);
  } catch (e) {
    return { config, problem: `the file is not valid JSON (${e.message})` };
  }
  const record = (value, keys) =>
    Array.isArray(value) ? Object.fromEntries(value.map((v, i) => [keys[i], v])) : value;
  const top = record(parsed, kGroups);
  if (typeof top !== 'object' || top === null) return { config, problem: 'the file does not hold a JSON object' };
  for (const group of kGroups) {
    const keys = group === 'downscaling' ? ['scale'] : SWITCHES.filter((s) => s.group === group).map((s) => s.key);
    const fields = record(top[group] === undefined ? {} : top[group], keys);
    if (typeof fields !== 'object' || fields === null) return { config: defaultConfig(), problem: `${group} is not a record` };
    for (const key of keys) {
      const v = fields[key];
      if (v === undefined) continue;
      const fine = key === 'scale' ? typeof v === 'number' : typeof v === 'boolean';
      if (!fine) return { config: defaultConfig(), problem: `${group}.${key} holds ${JSON.stringify(v)}` };
      config[group][key] = v;
    }
  }
  return { config, problem: null };
}

// The file's text for checked values: switches true or false, a checked scale.
export function configText(switches, scaleText) {
  const c = defaultConfig();
  for (const s of SWITCHES) {
    const v = switches[`${s.group}.${s.key}`];
    if (typeof v !== 'boolean') throw new Refused(`${s.key} must be on or off`);
    c[s.group][s.key] = v;
  }
  c.downscaling.scale = checkScale(scaleText);
  return JSON.stringify(c, null, 2);
}

// Writes the file and nothing else; the text must be what configText made.
export function writeConfig(text) {
  const again = readConfig(text);
  if (again.problem || JSON.stringify(again.config, null, 2) !== text) throw new Refused('Refused an unchecked configuration');
  return `umask 077 && mkdir -p ${quote(CONFIG_DIR)} && printf '%s\\n' ${quote(text)} > ${quote(CONFIG_PATH)}`;
}

// ---- korvane's lines ------------------------------------------------------------

export function splitLines(text) {
  return text.split('\n').filter((l, i, all) => l !== '' || i < all.length - 1);
}

export function levelOf(line) {
  const m = /^\[(OK|WARN|ERROR|DRY|INFO)\] /.exec(line);
  return m ? m[1].toLowerCase() : 'plain';
}

// Settings live in the framework, whichever tool stores them.
function isSetting(command) {
  return /^(settings|setprop) /.test(command) || /^cmd (device_config|settings) /.test(command);
}

// The [DRY] lines of a preview as nodes (path, value, mode), settings and tool runs.
export function groupDry(lines) {
  const nodes = new Map();
  const settings = [];
  const tools = [];
  const node = (path) => nodes.get(path) ?? nodes.set(path, { path }).get(path);
  for (const line of lines) {
    let m;
    if ((m = /^\[DRY\] write '(.*)' to (\/.+)$/.exec(line))) node(m[2]).value = m[1];
    else if ((m = /^\[DRY\] set mode ([0-7]{3,4}) on (\/.+)$/.exec(line))) node(m[2]).mode = m[1];
    else if ((m = /^\[DRY\] remove (\/.+)$/.exec(line))) node(m[1]).removed = true;
    else if ((m = /^\[DRY\] run (.+)$/.exec(line))) (isSetting(m[1]) ? settings : tools).push(m[1]);
  }
  return { nodes: [...nodes.values()], settings, tools };
}

// --status's lines: each target's state, by what became of korvane's change.
export function readStatus(lines) {
  const groups = { changed: [], held: [], rebooted: [], other: [] };
  let summary = '';
  for (const line of lines) {
    if (/^\[OK\] \d+ of korvane's changes in force, /.test(line)) {
      summary = line.slice(5);
      continue;
    }
    const m = /^\[(OK|WARN|INFO)\] (.+?): (.*)$/.exec(line);
    if (!m || readWatch([line]).session) continue;
    if (/: changed since by something else$/.test(line)) groups.changed.push({ target: m[2], text: m[3] });
    else if (/: reset by a reboot$/.test(line)) groups.rebooted.push({ target: m[2], text: m[3] });
    else if (m[1] === 'OK') groups.held.push({ target: m[2], text: m[3] });
    else if (line !== '[INFO] korvane has changed nothing') groups.other.push({ target: m[2], text: m[3] });
  }
  return { ...groups, summary };
}

// --status's lines about the per-app service: the pid of a running one, and
// the session it holds open ("com.x (23 values)").
export function readWatch(lines) {
  let pid = null;
  let session = '';
  for (const line of lines) {
    let m;
    if ((m = /^\[INFO\] korvane --watch is running \(pid ([0-9]+)\)$/.exec(line))) pid = Number(m[1]);
    else if ((m = /^\[INFO\] Open session: (.+)$/.exec(line))) session = m[1];
  }
  return { pid, session };
}

// A GPU frequency as the kernel lists it (Hz on Adreno and devfreq, kHz on
// some drivers, MHz on others) in MHz; GPU clocks lie between 100 and 3000 MHz.
export function gpuMhz(value) {
  const n = Number(value);
  if (n >= 1e7) return Math.round(n / 1e6);
  if (n >= 1e4) return Math.round(n / 1e3);
  return n;
}

// The cores' lines of reads.cores as clusters: cores sharing one policy.
export function readClusters(text) {
  const clusters = new Map();
  for (const line of splitLines(text)) {
    const [core, related, cur, min, max, available] = line.split('|');
    if (!/^cpu[0-9]+$/.test(core ?? '')) continue;
    const cores = (related ?? '').trim() || core.slice(3);
    if (clusters.has(cores)) continue;
    const freqs = (available ?? '').trim().split(/\s+/).filter(Boolean).map(Number).sort((a, b) => a - b);
    clusters.set(cores, { cores: cores.split(/\s+/).map(Number), cur: Number(cur), min: Number(min), max: Number(max), freqs });
  }
  return [...clusters.values()];
}

// "Key: value" lines of a listing, without korvane's own prefixed lines.
export function readFields(text) {
  const fields = {};
  for (const line of splitLines(text)) {
    const m = /^([A-Za-z][A-Za-z ]*): (.*)$/.exec(line);
    if (m && levelOf(line) === 'plain' && !(m[1] in fields)) fields[m[1]] = m[2].trim();
  }
  return fields;
}

// What a bypass run says the battery current showed: on and off, the lines
// after their "[OK] Bypass Charging ..." line; a test, the lines after its
// listing (one per switch tried) and its error or its count.
export function chargeReport(text) {
  const lines = splitLines(text);
  const end = lines.findIndex((l) => /^\[OK\] Bypass Charging (Enabled|Disabled) - /.test(l));
  if (end >= 0) return { verdict: lines.slice(end + 1).join(' '), lines: [] };
  const found = lines.findIndex((l) => /^\[INFO\] Found [0-9]+ bypass charging paths$/.test(l));
  const tried = found >= 0 ? lines.slice(found + 1) : [];
  const failed = tried.find((l) => levelOf(l) === 'error');
  return { verdict: failed ?? (found >= 0 ? lines[found] : ''), lines: tried.filter((l) => levelOf(l) !== 'error') };
}
