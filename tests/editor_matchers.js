// Applies the problem matchers of a VS Code tasks.json to a build's output,
// as VS Code does: JavaScript regular expressions, each pattern of a
// multi-line matcher against the next line in turn. tasks.json may hold
// comments and trailing commas, as VS Code allows.
// A relative file name is resolved against WORKSPACE, as "autoDetect" does
// where the file exists there.
// Usage: node editor_matchers.js TASKS_JSON OUTPUT_FILE WORKSPACE
// Prints one line per problem and matcher: FILE|LINE|COLUMN.
'use strict';
const fs = require('fs');
const path = require('path');

// JSON with comments and trailing commas, outside strings, made plain.
function parseJsonc(text) {
  let plain = '';
  for (let i = 0; i < text.length; i++) {
    const c = text[i];
    if (c === '"') {
      const start = i;
      for (i++; text[i] !== '"'; i++) if (text[i] === '\\') i++;
      plain += text.slice(start, i + 1);
    } else if (c === '/' && text[i + 1] === '/') {
      while (i < text.length && text[i] !== '\n') i++;
      plain += '\n';
    } else if (c === '/' && text[i + 1] === '*') {
      i = text.indexOf('*/', i + 2) + 1;
    } else {
      plain += c;
    }
  }
  return JSON.parse(plain.replace(/,(\s*[}\]])/g, '$1'));
}

const tasks = parseJsonc(fs.readFileSync(process.argv[2], 'utf8'));
const lines = fs.readFileSync(process.argv[3], 'utf8').split(/\r?\n/);
for (const task of tasks.tasks) {
  for (const matcher of task.problemMatcher) {
    const patterns = Array.isArray(matcher.pattern) ? matcher.pattern
                                                    : [matcher.pattern];
    for (let start = 0; start + patterns.length <= lines.length; start++) {
      const fields = {};
      const all = patterns.every((pattern, k) => {
        const match = new RegExp(pattern.regexp).exec(lines[start + k]);
        if (!match) return false;
        for (const key of ['file', 'line', 'column', 'message']) {
          if (key in pattern) fields[key] = match[pattern[key]];
        }
        return true;
      });
      if (!all) continue;
      const file = path.isAbsolute(fields.file) ? fields.file
                                                : path.join(process.argv[4], fields.file);
      console.log(`${task.label}|${file}|${fields.line}|${fields.column}`);
    }
  }
}
