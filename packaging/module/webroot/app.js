// What each part of the page does when loaded or clicked.
import { run } from './bridge.js';
import * as cmd from './commands.js';
import * as view from './views.js';

const { $ } = view;
let busy = 0;

// Runs a korvane command built by commands.js; every line goes to the log.
async function korvane(built) {
  view.logCommand(built.label);
  view.setStatus(`Running ${built.label}…`);
  const r = await run(built.line);
  view.logOutput(r.stdout, r.stderr);
  const error = cmd.splitLines(r.stdout).find((l) => cmd.levelOf(l) === 'error') ?? r.stderr.trim();
  if (error) view.setStatus(`${built.label}: ${error}`, 'error');
  else view.setStatus(`Done: ${built.label}`, 'ok');
  return r.stdout;
}

// A plain read; null when it failed (a file that is not there).
async function read(line) {
  const r = await run(line);
  return r.errno === 0 ? r.stdout.trim() : null;
}

// Each action keeps the page busy from its first command to its last. A
// refused value shows beside its control and never reaches the shell.
function guarded(messageId, handler) {
  return async (...args) => {
    view.setBusy(++busy > 0);
    view.message(messageId, '');
    try {
      await handler(...args);
    } catch (e) {
      const refused = e instanceof cmd.Refused;
      view.message(messageId, e.message);
      view.logNote(refused ? `Refused: ${e.message}` : e.message, refused ? 'warn' : 'error');
      view.setStatus(e.message, 'error');
    } finally {
      view.setBusy(--busy > 0);
    }
  };
}

async function loadCores() {
  view.showClusters(cmd.readClusters((await read(cmd.reads.cores)) ?? ''));
}

async function loadPhone() {
  view.showFact('model', await read(cmd.reads.model));
  view.showFact('release', await read(cmd.reads.release));
  view.showFact('kernel', await read(cmd.reads.kernel));
  await loadCores();
  const info = cmd.readFields(await korvane(cmd.gpuInfo()));
  view.showGpu(info, cmd.readFields(await korvane(cmd.gpuFrequencies())));
  view.showFact('refresh', cmd.readFields(await korvane(cmd.refreshRate()))['Refresh rate']);
}

async function loadUndo() {
  const lines = cmd.splitLines(await korvane(cmd.status()));
  view.showStatus($('#undo-changes'), cmd.readStatus(lines), 'Nothing to put back.');
  const watch = cmd.readWatch(lines);
  $('#watch-state').textContent = watch.pid === null ? 'Not running' : `Running (pid ${watch.pid})` + (watch.session ? `, in a session of ${watch.session}` : '');
  view.showChargeLines(cmd.splitLines((await read(cmd.reads.watchLog)) ?? ''), 'watch-lines');
}

async function loadBoot() {
  const stored = (await read(cmd.reads.bootMode)) || 'off';
  $('#boot-now').textContent = stored;
  $('#boot-mode').value = cmd.BOOT_CHOICES.includes(stored) ? stored : 'off';
}

async function loadConfig() {
  const { config, problem } = cmd.readConfig((await read(cmd.reads.config)) ?? '');
  view.showSwitches(cmd.SWITCHES, config);
  showConfigText();
  if (problem) view.message('config-message', `The file on the phone is not usable: ${problem}. Saving replaces it.`, 'warn');
  if ((await run(cmd.reads.shadowingConfig)).errno === 0) {
    view.message('config-message', `korvane reads ${cmd.SHADOWING_CONFIG} first, so this file is not used while that one is there.`, 'warn');
  }
}

// The file as it would be saved, or why it cannot be.
function showConfigText() {
  view.message('config-message', '');
  try {
    $('#config-json').textContent = cmd.configText(view.readSwitches(cmd.SWITCHES), $('#config-form').elements.scale.value);
  } catch (e) {
    $('#config-json').textContent = '';
    view.message('config-message', e.message);
  }
}

// ---- actions -------------------------------------------------------------------

let previewed = null;

const previewMode = guarded('modes-message', async (mode) => {
  $('#preview').hidden = true;
  previewed = null;
  const lines = cmd.splitLines(await korvane(cmd.preview(mode)));
  $('#preview-title').textContent = `${mode}: what it would change`;
  view.showChanges($('#preview-changes'), cmd.groupDry(lines), 'Nothing would change.');
  $('#apply').textContent = `Apply ${mode}`;
  $('#preview').hidden = false;
  previewed = mode;
});

const applyMode = guarded('modes-message', async () => {
  const mode = previewed;
  previewed = null;
  $('#preview').hidden = true;
  if (!mode) return;
  await korvane(cmd.apply(mode));
  await loadCores();
  await loadUndo();
});

const setCap = guarded('caps-message', async (form, button) => {
  const kind = form.dataset.kind;
  const bound = button.dataset.bound;
  await korvane(bound ? cmd.cap(kind, bound, form.elements[bound].value) : cmd.capReset(kind));
  await loadCores();
  await loadUndo();
});

// Bypass on or off shows its verdict; a test shows each switch's line.
const chargeAction = guarded('charging-verdict', async (action) => {
  view.showChargeLines([]);
  // the bridge answers once the run ends: say how long the wait can be
  if (action === 'test') view.message('charging-verdict', 'Testing each switch alone: up to 25 s per switch…', '');
  const report = cmd.chargeReport(await korvane(cmd.bypass(action)));
  view.showChargeLines(report.lines);
  const verdict = report.verdict;
  view.message('charging-verdict', verdict, cmd.levelOf(verdict) === 'ok' ? 'ok' : cmd.levelOf(verdict) === 'info' ? '' : 'warn');
  await loadUndo();
});

const restore = guarded('undo-message', async () => {
  await korvane(cmd.restore());
  await loadCores();
  await loadUndo();
});

const watchAction = guarded('watch-message', async (start) => {
  if (start) {
    const built = cmd.watchStart();
    view.logCommand(built.label);
    await run(built.line);
  } else {
    await korvane(cmd.watchStop());
  }
  await loadCores();
  await loadUndo();
});

const saveBoot = guarded('boot-message', async () => {
  const mode = $('#boot-mode').value;
  await korvane(cmd.setBootMode(mode));
  await loadBoot();
  if ($('#boot-now').textContent === mode) view.message('boot-message', `Saved: ${mode}`, 'ok');
  else view.message('boot-message', `korvane did not store ${mode}: see the log`);
});

const saveConfig = guarded('config-message', async () => {
  const text = cmd.configText(view.readSwitches(cmd.SWITCHES), $('#config-form').elements.scale.value);
  const line = cmd.writeConfig(text);
  view.logCommand(`write ${cmd.CONFIG_PATH}`);
  const r = await run(line);
  view.logOutput(r.stdout, r.stderr);
  if (r.errno !== 0) throw new Error(`Could not write ${cmd.CONFIG_PATH} (error ${r.errno})`);
  await loadConfig();
  view.message('config-message', `Saved to ${cmd.CONFIG_PATH}`, 'ok');
  view.setStatus('Configuration saved', 'ok');
});

// ---- wiring --------------------------------------------------------------------

for (const b of document.querySelectorAll('[data-preview]')) b.addEventListener('click', () => previewMode(b.dataset.preview));
$('#apply').addEventListener('click', applyMode);
$('#cancel').addEventListener('click', () => {
  previewed = null;
  $('#preview').hidden = true;
});
for (const form of document.querySelectorAll('form')) form.addEventListener('submit', (e) => e.preventDefault());
for (const form of document.querySelectorAll('form.caps')) {
  form.addEventListener('click', (e) => {
    const button = e.target.closest('button');
    if (button) setCap(form, button);
  });
}
for (const b of document.querySelectorAll('[data-bypass]')) b.addEventListener('click', () => chargeAction(b.dataset.bypass));
$('#restore').addEventListener('click', restore);
$('#watch-start').addEventListener('click', () => watchAction(true));
$('#watch-stop').addEventListener('click', () => watchAction(false));
$('#boot-save').addEventListener('click', saveBoot);
$('#config-form').addEventListener('input', showConfigText);
$('#config-save').addEventListener('click', saveConfig);
$('#log-clear').addEventListener('click', view.clearLog);
$('#reload').addEventListener('click', guarded('modes-message', loadPhone));

guarded('modes-message', async () => {
  await loadPhone();
  await loadUndo();
  await loadBoot();
  await loadConfig();
  view.setStatus('Ready', 'ok');
  document.body.dataset.ready = 'true';
})();
