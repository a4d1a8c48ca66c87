#!/usr/bin/env node
// Builds the variant-character table yitizi.txt from the Unihan database.
//
// Two characters are variants of each other when Unihan links them by kTraditionalVariant,
// kSimplifiedVariant, kZVariant or kSemanticVariant. A group is a connected component of these
// links with at least two members. Members are listed in ascending code point order and groups in
// ascending order of their smallest member, so the same Unihan data always gives the same file
// and the same group numbers (the index files refer to groups by number).
//
// Usage: make-yitizi.js [Unihan_Variants.txt[.bz2]] [output]
//   defaults: /usr/share/unicode/Unihan_Variants.txt.bz2 (Debian package unicode-data) and
//   sample/yitizi.txt of this repository.
'use strict';

const fs = require('fs');
const path = require('path');
const { execFileSync } = require('child_process');

const LINK_FIELDS = new Set(['kTraditionalVariant', 'kSimplifiedVariant', 'kZVariant', 'kSemanticVariant']);
// Group g is searched under index slot 88,065 + g and slots end at 99,999.
const MAX_GROUPS = 11935;

function readUnihan(file) {
  if (file.endsWith('.bz2'))
    return execFileSync('bzcat', [file], { maxBuffer: 1 << 30 }).toString('utf8');
  return fs.readFileSync(file, 'utf8');
}

// Union-find over code points.
class Components {
  constructor() { this.parent = new Map(); }
  find(x) {
    if (!this.parent.has(x)) this.parent.set(x, x);
    let root = x;
    while (this.parent.get(root) !== root) root = this.parent.get(root);
    while (this.parent.get(x) !== root) { const next = this.parent.get(x); this.parent.set(x, root); x = next; }
    return root;
  }
  unite(a, b) {
    const ra = this.find(a), rb = this.find(b);
    if (ra !== rb) this.parent.set(Math.max(ra, rb), Math.min(ra, rb));
  }
}

function buildGroups(text) {
  const components = new Components();
  for (const line of text.split('\n')) {
    if (line.startsWith('#') || line.trim() === '') continue;
    const [source, field, value] = line.split('\t');
    if (!LINK_FIELDS.has(field) || value === undefined) continue;
    const from = parseInt(source.slice(2), 16);
    // Values look like "U+5154<kMatthews,kMeyerWempe U+5155": take every code point, drop sources.
    for (const match of value.matchAll(/U\+([0-9A-F]{4,6})/g))
      components.unite(from, parseInt(match[1], 16));
  }
  const members = new Map();
  for (const codePoint of components.parent.keys()) {
    const root = components.find(codePoint);
    if (!members.has(root)) members.set(root, []);
    members.get(root).push(codePoint);
  }
  return [...members.values()]
    .filter((group) => group.length >= 2)
    .map((group) => group.sort((a, b) => a - b))
    .sort((a, b) => a[0] - b[0]);
}

function main() {
  const repository = path.resolve(__dirname, '..', '..');
  const input = process.argv[2] || '/usr/share/unicode/Unihan_Variants.txt.bz2';
  const output = process.argv[3] || path.join(repository, 'sample', 'yitizi.txt');
  if (!fs.existsSync(input)) {
    console.error(`make-yitizi: ${input} not found (Debian package unicode-data)`);
    process.exit(1);
  }
  const groups = buildGroups(readUnihan(input));
  if (groups.length > MAX_GROUPS) {
    console.error(`make-yitizi: ${groups.length} groups; the index has slots for ${MAX_GROUPS} only`);
    process.exit(1);
  }
  const lines = groups.map((group) => group.map((c) => c.toString(16).toUpperCase()).join(','));
  fs.writeFileSync(output, lines.join('\n') + '\n');
  const largest = Math.max(...groups.map((group) => group.length));
  console.log(`make-yitizi: ${groups.length} groups (largest ${largest} members) written to ${output}`);
}

main();
