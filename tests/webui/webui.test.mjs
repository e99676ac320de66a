// The module's web page in headless Chromium, its bridge running each command
// in a simulated Snapdragon phone (sim/run with a kept state).
//   KORVANE=build/korvane KERNELFS=build/sim/kernelfs/korvane-kernelfs node webui.test.mjs
// KORVANE_SCREENSHOTS=DIR also saves the page, light and dark, into DIR.
import assert from 'node:assert/strict';
import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { after, before, describe, test } from 'node:test';
import puppeteer from 'puppeteer-core';
import { Phone, serve } from './phone.mjs';

const kConfig = 'data/adb/.config/korvane/config.json';
const kBoot = 'data/adb/korvane/boot';
const kFastCharge = 'sys/kernel/fast_charge/force_fast_charge';
// Text a shell would act on, were it not quoted.
const kHostile = ["5'", "5' ; reboot '", '5; reboot', '$(reboot)', '`reboot`', '5\nreboot'];
// single-quoted words only: a quote inside one is written '\''
const kQuotedWords = /^(?:printf '<%s>' )?'[^']*'(?:\\''[^']*')*(?: '[^']*'(?:\\''[^']*')*)*$/;
let phone, server, browser, page, profile;
const problems = [];

// Waits until the page has finished what the last click started.
const idle = () =>
  page.waitForFunction(() => document.body.dataset.ready === 'true' && document.body.getAttribute('aria-busy') === 'false',
    { timeout: 120_000 });
const texts = (selector) => page.$$eval(selector, (all) => all.map((e) => e.textContent));
// Clear of the sticky status bar, as a person would scroll to it.
async function click(selector) {
  await page.$eval(selector, (e) => e.scrollIntoView({ block: 'center' }));
  await page.click(selector);
  await idle();
}
async function type(selector, text) {
  await page.$eval(selector, (e) => (e.value = ''));
  await page.type(selector, text);
}

before(async () => {
  phone = await new Phone({ korvane: process.env.KORVANE, kernelfs: process.env.KERNELFS }).init();
  server = await serve(phone);
  profile = mkdtempSync(join(tmpdir(), 'korvane-chromium-'));
  browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
    headless: true,
    userDataDir: profile,
    args: ['--no-sandbox', '--headless', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
  page = await browser.newPage();
  await page.setViewport({ width: 412, height: 900 });
  page.setDefaultTimeout(120_000);
  page.on('console', (m) => m.type() === 'error' && problems.push(m.text()));
  page.on('pageerror', (e) => problems.push(e.message));
  page.on('requestfailed', (r) => problems.push(`${r.url()}: ${r.failure()?.errorText}`));
  await page.goto(server.url);
  await idle();
});

after(async () => {
  await browser?.close();
  server?.close();
  phone?.remove();
  if (profile) rmSync(profile, { recursive: true, force: true });
});

describe('the module page', () => {
  test('loads without a console error and shows the phone', async () => {
    assert.deepEqual(problems, []);
    assert.equal(await page.$eval('#model', (e) => e.textContent), '2201123G');
    assert.equal(await page.$eval('#release', (e) => e.textContent), '14');
    assert.equal(await page.$eval('#kernel', (e) => e.textContent), '5.10.168-android12-9-00003-gd2e9c7d3a8b1');
    assert.equal(await page.$eval('#refresh', (e) => e.textContent), '120.00 Hz');
    assert.deepEqual(await texts('#clusters h4'), ['Cluster 1: cpu0, cpu1, cpu2, cpu3', 'Cluster 2: cpu4, cpu5, cpu6', 'Cluster 3: cpu7']);
    const freqs = await texts('#clusters .freqs');
    assert.match(freqs[0], /^307 403 518 .* 1786 MHz$/);
    assert.match(freqs[2], / 2995 MHz$/);
    assert.match((await texts('#gpu dd')).join('|'), /^adreno\|818 734 .* 317 MHz\|/);
    assert.deepEqual(await texts('#undo-changes p'), ['Nothing to put back.']);
    assert.equal(await page.$eval('#boot-now', (e) => e.textContent), 'off');
  });

  test('previewing gamemode lists its changes and changes nothing', async () => {
    const ran = server.execs.length;
    await click('[data-preview="gamemode"]');
    assert.deepEqual(server.execs.slice(ran),
      ["'/data/adb/modules/korvane/system/bin/korvane' '--dry-run' '--auto_setup' 'gamemode'"]);
    assert.deepEqual(await phone.changes(), []);
    const summaries = await texts('#preview-changes summary');
    assert.deepEqual(summaries.map((s) => s.replace(/ \(\d+\)$/, '')), ['Nodes', 'Settings', 'Tool runs']);
    const nodes = await page.$$eval('#preview-changes li[data-path]', (all) => all.map((e) => e.dataset.path));
    assert.ok(nodes.includes('/proc/sys/walt/sched_boost'));
    assert.ok(nodes.includes('/sys/class/kgsl/kgsl-3d0/devfreq/max_freq'));
    assert.equal(await page.$eval('#apply', (e) => e.textContent), 'Apply gamemode');
    if (process.env.KORVANE_SCREENSHOTS) {
      await page.evaluate(() => window.scrollTo(0, 0));
      for (const scheme of ['light', 'dark']) {
        await page.emulateMediaFeatures([{ name: 'prefers-color-scheme', value: scheme }]);
        await page.screenshot({ path: join(process.env.KORVANE_SCREENSHOTS, `webui-${scheme}.png`),
          clip: { x: 0, y: 0, width: 412, height: 1700 }, captureBeyondViewport: true });
      }
      await page.emulateMediaFeatures([]);
    }
  });

  test('applying gamemode changes what the preview listed', async () => {
    const nodes = await page.$$eval('#preview-changes li[data-path]', (all) =>
      all.map((e) => [e.dataset.path, e.querySelector('.value').textContent]));
    const settings = await texts('#preview-changes ul.settings li');
    await click('#apply');
    // Each node listed holds its value now, and nothing else changed.
    for (const [path, what] of nodes) {
      const value = /^← (.*?)(, mode \d+)?$/.exec(what)?.[1];
      // a per-boundary margin shows every slot of the kernel, the written ones first
      // (a fast-charge node is written as echo writes it, "0\n", and reads back without it)
      const want = value?.replace(/\\n$/, '').split(' ');
      if (want !== undefined) assert.deepEqual(phone.read(path.slice(1)).split(/\s+/).slice(0, want.length), want, path);
    }
    const changes = await phone.changes();
    const listed = nodes.map(([path]) => phone.realPath(path));
    for (const line of changes.filter((l) => l.startsWith('  /'))) {
      assert.ok(listed.some((path) => line.startsWith(`  ${path}: `)), `not previewed: ${line}`);
    }
    const stored = changes.join('\n');
    // server sync goes off before the first device_config put
    assert.ok(settings.includes('cmd device_config set_sync_disabled_for_tests persistent'));
    assert.equal(phone.read('android/settings/global/device_config_sync_disabled'), '1');
    for (const s of settings.filter((line) => / put /.test(line))) {
      const [, namespace, key] = /^(?:settings|cmd device_config) put (\S+) (\S+) /.exec(s);
      assert.ok(stored.includes(`  ${namespace} ${key}: `), `${s} not stored`);
    }
    // the nodes that change (a kernel tweak whose node holds its value already is not
    // written), the six global settings, then on Android 12+ each value's device_config twin
    assert.ok(nodes.length >= 30 && settings.filter((s) => s.startsWith('settings put ')).length === 6);
    assert.ok(settings.some((s) => s.startsWith('cmd device_config put jobscheduler ')));
    assert.equal(await page.$eval('#preview', (e) => e.hidden), true);
    assert.match(await page.$eval('#undo-changes summary', (e) => e.textContent), /^In force \(\d+\)$/);
    // something else rewrites a setting: it stands out first, beside the restore button
    phone.write('android/settings/global/device_idle_constants', 'inactive_to=1');
    await page.reload();
    await idle();
    assert.equal(await page.$eval('#undo-changes summary', (e) => e.textContent), 'Changed since by something else (1)');
    assert.deepEqual(await texts('#undo-changes ul.changed code'), ['setting global device_idle_constants']);
    assert.match(await page.$eval('#undo-changes p.summary.changed', (e) => e.textContent), / 1 changed since by something else, /);
  });

  test('caps run with their checked percentage', async () => {
    const ran = server.execs.length;
    await type('form[data-kind="cpu"] [name="max"]', ' 50 ');
    await click('form[data-kind="cpu"] [data-bound="max"]');
    await click('form[data-kind="gpu"] [data-reset]');
    const korvane = server.execs.slice(ran).filter((c) => c.startsWith("'/data/adb/modules/korvane/"));
    assert.deepEqual(korvane.map((c) => c.replace(/^'[^']*' /, '')),
      ["'--cpu_max' '50'", "'--status'", "'--gpu_reset'", "'--status'"]);
    assert.ok(!(await texts('#clusters p')).some((t) => t.endsWith('to 1786 MHz')));
    assert.equal(await page.$eval('#caps-message', (e) => e.textContent), '');
  });

  test('the charging part tests each switch and says what bypass really did', async () => {
    const cut = '/sys/class/qcom-battery/input_suspend';
    await click('[data-bypass="test"]');
    assert.deepEqual(await texts('#charging-lines li'), [`[INFO] Testing ${cut} (input cut)...`, `[INFO] ${cut}: input cut (-520 mA)`]);
    assert.equal(await page.$eval('#charging-verdict', (e) => e.textContent), '[INFO] Found 1 bypass charging paths');
    await click('[data-bypass="on"]');
    assert.equal(await page.$eval('#charging-verdict', (e) => e.className), 'message warn');
    assert.equal(await page.$eval('#charging-verdict', (e) => e.textContent),
      '[WARN] Charging stopped by cutting the charger input: the phone runs on its battery (-520 mA)');
    await click('[data-bypass="off"]');
    assert.equal(await page.$eval('#charging-verdict', (e) => e.textContent), '[OK] Charging resumed (2400 mA)');
    assert.deepEqual(await texts('#charging-lines li'), []);
  });

  test('restore puts the phone back', async () => {
    await click('#restore');
    assert.deepEqual(await phone.changes(), []);
    assert.deepEqual(await texts('#undo-changes p'), ['Nothing to put back.']);
  });

  test('the boot mode round-trips', async () => {
    for (const mode of ['batterymode', 'gamemode', 'off']) {
      await page.select('#boot-mode', mode);
      await click('#boot-save');
      assert.equal(phone.read(kBoot), mode === 'off' ? null : mode);
      await page.reload();
      await idle();
      assert.equal(await page.$eval('#boot-mode', (e) => e.value), mode);
      assert.equal(await page.$eval('#boot-now', (e) => e.textContent), mode);
    }
  });

  test('bad values are refused before anything runs', async () => {
    const cases = [
      ['form[data-kind="cpu"] [name="max"]', '50; reboot', 'form[data-kind="cpu"] [data-bound="max"]', '#caps-message'],
      ['form[data-kind="cpu"] [name="min"]', '101', 'form[data-kind="cpu"] [data-bound="min"]', '#caps-message'],
      ['form[data-kind="gpu"] [name="min"]', '-5', 'form[data-kind="gpu"] [data-bound="min"]', '#caps-message'],
      ['#config-form [name="scale"]', '0.7; reboot', '#config-save', '#config-message'],
      ['#config-form [name="scale"]', '1.5', '#config-save', '#config-message'],
      ['#config-form [name="scale"]', '0.75', '#config-save', '#config-message'],
    ];
    // every field the page turns into a command, with each kind of text a shell would act on
    const fields = [
      ['form[data-kind="cpu"] [name="max"]', 'form[data-kind="cpu"] [data-bound="max"]', '#caps-message'],
      ['form[data-kind="cpu"] [name="min"]', 'form[data-kind="cpu"] [data-bound="min"]', '#caps-message'],
      ['form[data-kind="gpu"] [name="max"]', 'form[data-kind="gpu"] [data-bound="max"]', '#caps-message'],
      ['form[data-kind="gpu"] [name="min"]', 'form[data-kind="gpu"] [data-bound="min"]', '#caps-message'],
      ['#config-form [name="scale"]', '#config-save', '#config-message'],
    ];
    for (const [field, button, message] of fields) {
      for (const value of kHostile) cases.push([field, value, button, message]);
    }
    for (const [field, value, button, message] of cases) {
      const ran = server.execs.length;
      // set as a paste would: typing a newline would submit the form instead
      await page.$eval(field, (e, v) => {
        e.value = v;
        e.dispatchEvent(new Event('input', { bubbles: true }));
      }, value);
      await click(button);
      assert.equal(server.execs.length, ran, `${value} ran something`);
      assert.match(await page.$eval(message, (e) => e.textContent), /refused|not a percentage/i, value);
      assert.equal(await page.$eval(message, (e) => e.className), 'message error');
    }
    // A mode that is not one of the page's own is refused too.
    for (const mode of ['x; reboot', ...kHostile]) {
      const ran = server.execs.length;
      await page.$eval('#boot-mode', (s, m) => s.append(new Option(m, m, true, true)), mode);
      await click('#boot-save');
      assert.equal(server.execs.length, ran);
      assert.match(await page.$eval('#boot-message', (e) => e.textContent), /is not one of: off, gamemode/);
    }
    assert.equal(phone.read(kConfig), null);
    // What the page quotes reaches the phone's shell as one word, whatever it holds.
    for (const text of kHostile) {
      const r = await page.evaluate(async (t) => {
        const [{ quote }, { run }] = await Promise.all([import('./commands.js'), import('./bridge.js')]);
        return run(`printf '<%s>' ${quote(t)}`);
      }, text);
      assert.equal(r.stdout, `<${text}>`, text);
      assert.match(server.execs.at(-1), kQuotedWords);
    }
    // and so does every word of every korvane run so far
    for (const line of server.execs.filter((c) => c.startsWith("'/data/adb/modules/korvane/"))) {
      assert.match(line, kQuotedWords);
    }
  });

  test('the configuration is written where korvane reads it', async () => {
    await page.reload();
    await idle();
    await page.click('[name="utility_tool.clear_ram"]');
    await page.click('[name="battery_saving.fast_charge"]');
    await type('#config-form [name="scale"]', '0.7');
    await click('#config-save');
    assert.deepEqual(JSON.parse(phone.read(kConfig)), {
      utility_tool: { gms_auto: false, clear_ram: true, surface_flinger: false },
      battery_saving: { bypass_charging: false, fast_charge: true },
      downscaling: { scale: 0.7 },
    });
    assert.equal(await page.$eval('#config-message', (e) => e.textContent), 'Saved to /data/adb/.config/korvane/config.json');
    await click('[data-preview="normalmode"]');
    assert.ok((await texts('#log-lines li')).includes('[INFO] Loaded config from /data/adb/.config/korvane/config.json'));
    // The file is the one change the page made itself.
    assert.deepEqual((await phone.changes()).map((l) => l.replace(/: created .*/, '')), ['Files and nodes:',
      '  /data/adb/.config/: folder created', '  /data/adb/.config/korvane/: folder created',
      '  /data/adb/.config/korvane/config.json']);
    // Applied, the mode turns fast charging on as the file asks: the node takes
    // only echo's "1\n" (a bare "1" is ignored and it stays at "0").
    await click('#apply');
    assert.equal(phone.read(kFastCharge), '1');
    await click('#restore');
    assert.equal(phone.read(kFastCharge), '0');
    // A file where korvane looks first hides this one: the page says so.
    const first = 'data/user_de/0/com.android.shell/quelix/plugins/korvane/.config/config.json';
    phone.write(first, '{}');
    await page.reload();
    await idle();
    assert.match(await page.$eval('#config-message', (e) => e.textContent), /^korvane reads \/data\/user_de\/.* first/);
    phone.unlink(first);
  });

  test("an [ERROR] line of korvane's shows as an error", async () => {
    phone.write(kConfig, '{"utility_tool": ');
    await click('[data-preview="batterymode"]');
    const errors = await page.$$eval('#log-lines li.error', (all) => all.map((e) => e.textContent));
    assert.ok(errors.some((l) => l.startsWith('[ERROR] Failed to parse config /data/adb/.config/korvane/config.json: ')), errors.join('\n'));
    assert.equal(await page.$eval('#status', (e) => e.className), 'error');
    const colour = (sel) => page.$eval(sel, (e) => getComputedStyle(e).color);
    assert.notEqual(await colour('#log-lines li.error'), await colour('#log-lines li.ok'));
    assert.notEqual(await colour('#log-lines li.dry'), await colour('#log-lines li.warn, #log-lines li.info'));
    assert.deepEqual(problems, []);
  });

  test('the action button applies the stored mode, gamemode when none', async () => {
    for (const [stored, mode] of [[null, 'gamemode'], ['batterymode', 'batterymode']]) {
      if (stored) phone.write(kBoot, stored);
      const r = await phone.exec('sh /data/adb/modules/korvane/action.sh');
      const lines = r.stdout.trimEnd().split('\n');
      assert.equal(lines[0], `[INFO] Starting auto setup for ${mode}...`);
      assert.match(lines.at(-1), /^\[OK\] (Game|Battery) Mode setup completed$/);
    }
  });
});
