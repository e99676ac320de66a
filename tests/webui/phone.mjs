// A simulated phone with the module installed, and a test server that serves
// the module's web page with a `ksu` stand-in whose exec runs in that phone.
import { execFile } from 'node:child_process';
import { chmodSync, copyFileSync, cpSync, mkdirSync, mkdtempSync, readFileSync, realpathSync, rmSync, writeFileSync } from 'node:fs';
import { createServer } from 'node:http';
import { tmpdir } from 'node:os';
import { dirname, extname, join, normalize, relative } from 'node:path';
import { fileURLToPath } from 'node:url';

const here = dirname(fileURLToPath(import.meta.url));
export const repo = join(here, '..', '..');
const module = join(repo, 'packaging', 'module');
const kModuleDir = 'data/adb/modules/korvane';

function sh(program, args) {
  return new Promise((resolve) => {
    execFile(program, args, { maxBuffer: 16 << 20 }, (error, stdout, stderr) => {
      resolve({ errno: error ? (typeof error.code === 'number' ? error.code : 1) : 0, stdout, stderr });
    });
  });
}

export class Phone {
  // korvane and kernelfs: the host build's executables
  constructor({ korvane, kernelfs, device = 'snapdragon' }) {
    this.dir = mkdtempSync(join(tmpdir(), 'korvane-webui-'));
    this.state = join(this.dir, 'state');
    this.options = ['--state', this.state, '--kernelfs', kernelfs, '--korvane', korvane];
    this.device = device;
    this.korvane = korvane;
    this.queue = Promise.resolve();
  }

  // A fresh phone with the module as the manager leaves it after installing.
  async init() {
    const r = await sh(join(repo, 'sim', 'run'), ['--state', this.state, '--init', '--device', this.device]);
    if (r.errno !== 0) throw new Error(`sim/run --init: ${r.stderr}`);
    const target = join(this.state, kModuleDir);
    cpSync(module, target, { recursive: true });
    mkdirSync(join(target, 'system', 'bin'), { recursive: true });
    copyFileSync(this.korvane, join(target, 'system', 'bin', 'korvane'));
    chmodSync(join(target, 'system', 'bin', 'korvane'), 0o755);
    return this;
  }

  // One shell line inside the phone, as the manager's bridge runs it: sh -c.
  exec(line) {
    const result = this.queue.then(() =>
      sh(join(repo, 'sim', 'run'), [...this.options, '--program', '/system/bin/sh', '--', '-c', line]));
    this.queue = result;
    return result;
  }

  // sim/diff's changes to the phone, less the module's own files and
  // korvane's journal folder (which an undo leaves, empty).
  async changes() {
    const r = await sh(join(repo, 'sim', 'diff'), ['--full', this.state]);
    const kept = [];
    for (const line of r.stdout.split('\n')) {
      if (line.startsWith('Device-tool calls')) break;
      if (line === 'Nothing changed on the device.' || line === '') continue;
      if (/^ {2}\/data\/adb\/(modules\/|korvane\/)/.test(line)) continue;
      // how the phone stores server sync back on (mode none)
      if (line === '  global device_config_sync_disabled: unset -> "0"') continue;
      kept.push(line);
    }
    return kept.filter((l, i) => l.startsWith(' ') || kept[i + 1]?.startsWith(' '));
  }

  write(path, text) {
    mkdirSync(dirname(join(this.state, path)), { recursive: true });
    writeFileSync(join(this.state, path), text);
  }

  // A path of the phone with its links resolved (cpuN/cpufreq is its policy folder).
  realPath(path) {
    return `/${relative(this.state, realpathSync(join(this.state, path)))}`;
  }

  read(path) {
    try {
      return readFileSync(join(this.state, path), 'utf8');
    } catch {
      return null;
    }
  }

  unlink(path) {
    rmSync(join(this.state, path));
  }

  remove() {
    rmSync(this.dir, { recursive: true, force: true });
  }
}

const kTypes = { '.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css' };

// Serves webroot on 127.0.0.1; execs lists every command the page ran.
export async function serve(phone) {
  const webroot = join(module, 'webroot');
  const standIn = readFileSync(join(here, 'ksu-stand-in.js'), 'utf8');
  const execs = [];
  const server = createServer(async (req, res) => {
    if (req.method === 'POST' && req.url === '/exec') {
      let body = '';
      for await (const chunk of req) body += chunk;
      const { command } = JSON.parse(body);
      execs.push(command);
      const r = await phone.exec(command);
      res.writeHead(200, { 'content-type': 'application/json' }).end(JSON.stringify(r));
      return;
    }
    const path = normalize(req.url === '/' ? '/index.html' : req.url.split('?')[0]);
    let text;
    try {
      text = readFileSync(join(webroot, path));
    } catch {
      res.writeHead(404).end();
      return;
    }
    // The stand-in goes in before the page's own scripts, as the managers inject theirs.
    if (path === '/index.html') text = String(text).replace('<head>', `<head>\n<script>${standIn}</script>`);
    res.writeHead(200, { 'content-type': kTypes[extname(path)] ?? 'application/octet-stream' }).end(text);
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  return { url: `http://127.0.0.1:${server.address().port}/`, execs, close: () => server.close() };
}
