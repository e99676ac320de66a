// The one way this page reaches the phone: the root manager injects a global
// `ksu` whose exec(command, optionsJson, callbackName) runs `command` in a
// root shell and answers by calling window[callbackName](errno, stdout, stderr).
// Calls are queued so that only one command runs at a time, as korvane
// expects of its callers.

const kTimeoutMs = 180_000;
let serial = 0;
let tail = Promise.resolve();

function execOnce(command) {
  return new Promise((resolve, reject) => {
    if (typeof globalThis.ksu?.exec !== 'function') {
      reject(new Error('No root manager bridge here: open this page from KernelSU, APatch or a WebUI app'));
      return;
    }
    const name = `korvaneAnswer${++serial}`;
    const timer = setTimeout(() => {
      delete window[name];
      reject(new Error(`No answer after ${kTimeoutMs / 1000} s`));
    }, kTimeoutMs);
    window[name] = (errno, stdout, stderr) => {
      clearTimeout(timer);
      delete window[name];
      resolve({ errno: Number(errno), stdout: String(stdout ?? ''), stderr: String(stderr ?? '') });
    };
    try {
      globalThis.ksu.exec(command, '{}', name);
    } catch (e) {
      clearTimeout(timer);
      delete window[name];
      reject(e);
    }
  });
}

// Runs one shell command line as root; resolves to { errno, stdout, stderr }.
export function run(command) {
  const result = tail.then(() => execOnce(command));
  tail = result.catch(() => {});
  return result;
}
