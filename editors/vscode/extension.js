// The editor's side of Ravok: the debugger is `ravok --dap` (the adapter
// needs nothing from here but its path), and saving a source runs
// `ravok --check` on its game and shows what it reports where it points.
"use strict";
const vscode = require("vscode");
const path = require("path");
const fs = require("fs");
const { execFile } = require("child_process");

function ravokPath() {
  return vscode.workspace.getConfiguration("ravok").get("path") || "ravok";
}

// What --check should look at for a file: the project of the folder it is
// in (or a folder above), else the file itself.
function checkTarget(file) {
  let dir = path.dirname(file);
  for (let i = 0; i < 8; i++) {
    const projects = fs.readdirSync(dir).filter((n) => n.toLowerCase().endsWith(".ravokprj"));
    if (projects.length > 0) return { target: path.join(dir, projects[0]), cwd: dir };
    const up = path.dirname(dir);
    if (up === dir) break;
    dir = up;
  }
  return { target: file, cwd: path.dirname(file) };
}

// "FILE:LINE:COL: message" lines, and "FILE:LINE:COL: warning: ..." for traps.
function parseReport(text, cwd) {
  const found = [];
  for (const line of text.split(/\r?\n/)) {
    const m = /^(.+?):(\d+):(\d+): (.*)$/.exec(line);
    if (!m) continue;
    const warning = m[4].startsWith("warning: ");
    found.push({
      file: path.resolve(cwd, m[1]),
      line: Number(m[2]) - 1,
      column: Math.max(0, Number(m[3]) - 1),
      message: warning ? m[4].slice("warning: ".length) : m[4],
      severity: warning ? vscode.DiagnosticSeverity.Warning : vscode.DiagnosticSeverity.Error,
    });
  }
  return found;
}

function check(document, diagnostics) {
  if (!["ravok", "cmml"].includes(document.languageId)) return;
  if (!vscode.workspace.getConfiguration("ravok").get("checkOnSave")) return;
  const { target, cwd } = checkTarget(document.uri.fsPath);
  execFile(ravokPath(), ["--check", target], { cwd, timeout: 60000 }, (error, stdout, stderr) => {
    if (error && error.code === "ENOENT") {
      vscode.window.showWarningMessage(
        "ravok was not found: set ravok.path to the program's location.");
      return;
    }
    diagnostics.clear();
    const byFile = new Map();
    for (const item of parseReport(stderr + stdout, cwd)) {
      const range = new vscode.Range(item.line, item.column, item.line, item.column + 1);
      const d = new vscode.Diagnostic(range, item.message, item.severity);
      d.source = "ravok";
      if (!byFile.has(item.file)) byFile.set(item.file, []);
      byFile.get(item.file).push(d);
    }
    for (const [file, list] of byFile) diagnostics.set(vscode.Uri.file(file), list);
  });
}

function activate(context) {
  context.subscriptions.push(
    vscode.debug.registerDebugAdapterDescriptorFactory("ravok", {
      createDebugAdapterDescriptor() {
        return new vscode.DebugAdapterExecutable(ravokPath(), ["--dap"]);
      },
    }),
    vscode.debug.registerDebugConfigurationProvider("ravok", {
      // F5 with no launch.json debugs the game of the open folder.
      resolveDebugConfiguration(folder, config) {
        if (!config.type && !config.request && !config.name) {
          config.type = "ravok";
          config.request = "launch";
          config.name = "Debug the game";
        }
        if (!config.program && folder) config.program = folder.uri.fsPath;
        return config;
      },
    })
  );
  const diagnostics = vscode.languages.createDiagnosticCollection("ravok");
  context.subscriptions.push(diagnostics);
  context.subscriptions.push(
    vscode.workspace.onDidSaveTextDocument((document) => check(document, diagnostics))
  );
}

function deactivate() {}

module.exports = { activate, deactivate, parseReport, checkTarget };
