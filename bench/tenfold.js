#!/usr/bin/env node
// Writes a source tree ten times the full sample for the growth benchmarks: ten copies of the
// converted full source, each changed so that its postings differ from the others': in copy k
// (k > 0) the characters of some variant groups are written in another member of their group,
// and the text lines of every page are shuffled among themselves (headings and annotation lines
// stay where they are). Each copy's volumes are joined five at a time, so that the catalogue
// stays within its 9,999 records; pages keep their text, so no position list grows.
//
// Usage: tenfold.js FULL_SOURCE VARIANT_TABLE OUTPUT [COPIES]
// OUTPUT is emptied and rewritten.
'use strict';

const fs = require('fs');
const path = require('path');

const [source, variantTable, output, copiesText] = process.argv.slice(2);
if (!source || !variantTable || !output) {
  console.error('usage: tenfold.js FULL_SOURCE VARIANT_TABLE OUTPUT [COPIES]');
  process.exit(64);
}
const COPIES = Number(copiesText || 10);
const JOINED_VOLUMES = 5;
const MAX_LABEL = 65535;

// A small deterministic generator, so the tree is the same on every run.
function generator(seed) {
  let state = seed >>> 0;
  return () => {
    state = (state * 1664525 + 1013904223) >>> 0;
    return state / 4294967296;
  };
}

const groups = fs.readFileSync(variantTable, 'utf8').split('\n').filter((line) => line.trim())
  .map((line) => line.split(',').map((hex) => String.fromCodePoint(parseInt(hex, 16))));

// Copy k writes every member of half the groups (a different half each copy) as the member k
// places further on.
function variantMap(copy) {
  const map = new Map();
  if (copy === 0) return map;
  groups.forEach((group, g) => {
    if (group.length < 2 || (g + copy) % 2 === 0) return;
    group.forEach((member, i) => map.set(member, group[(i + copy) % group.length]));
  });
  return map;
}

function changePage(text, map, random) {
  const lines = text.split('\n');
  const plain = [];
  lines.forEach((line, i) => {
    if (line && !line.startsWith('#') && !line.startsWith('{')) plain.push(i);
  });
  const shuffled = plain.map((i) => lines[i]);
  for (let i = shuffled.length - 1; i > 0; --i) {
    const j = Math.floor(random() * (i + 1));
    [shuffled[i], shuffled[j]] = [shuffled[j], shuffled[i]];
  }
  plain.forEach((i, k) => { lines[i] = shuffled[k]; });
  return Array.from(lines.join('\n'), (c) => map.get(c) || c).join('');
}

const sorted = (folder) => fs.readdirSync(folder).sort();

fs.rmSync(output, { recursive: true, force: true });
let pages = 0;
let records = 0;
for (let copy = 0; copy < COPIES; ++copy) {
  const map = variantMap(copy);
  const random = generator(copy + 1);
  for (const category of sorted(source)) {
    const [order, ...name] = category.split('_');
    const categoryName = `${String(copy).padStart(2, '0')}${order}_${name.join('_')}${copy ? '・' + (copy + 1) : ''}`;
    ++records;
    for (const title of sorted(path.join(source, category))) {
      ++records;
      const volumes = sorted(path.join(source, category, title));
      for (let first = 0; first < volumes.length; first += JOINED_VOLUMES) {
        ++records;
        const joined = volumes.slice(first, first + JOINED_VOLUMES);
        const target = path.join(output, categoryName, title, joined[0]);
        fs.mkdirSync(target, { recursive: true });
        let label = 0;
        for (const volume of joined) {
          const folder = path.join(source, category, title, volume);
          for (const page of sorted(folder)) {
            if (++label > MAX_LABEL) throw new Error(`${target} holds more than ${MAX_LABEL} pages`);
            const text = fs.readFileSync(path.join(folder, page), 'utf8');
            fs.writeFileSync(path.join(target, String(label).padStart(4, '0') + '.txt'), changePage(text, map, random));
            ++pages;
          }
        }
      }
    }
  }
}
console.log(`${output}: ${pages} pages, ${records} catalogue records`);
