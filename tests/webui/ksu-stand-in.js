// Stands in for the bridge a root manager injects: exec answers through
// window[callback](errno, stdout, stderr), here after the command ran in the
// simulated phone.
window.ksu = {
  exec(command, options, callback) {
    fetch('/exec', { method: 'POST', body: JSON.stringify({ command, options }) })
      .then((r) => r.json())
      .then((r) => window[callback](r.errno, r.stdout, r.stderr));
  },
};
