// ravok-node: the command line under node sees the host's environment (the
// locale, RAVOK_HOME, XDG folders), and finds its program directory beside
// itself, as the native player finds it beside its executable.
Module['preRun'] = Module['preRun'] || [];
Module['preRun'].push(function () {
  for (var name in process.env) ENV[name] = process.env[name];
  if (!ENV['RAVOK_HOME']) ENV['RAVOK_HOME'] = __dirname;
});
