#!/usr/bin/env node
// Builds the variant-character table yitizi.txt from Unihan and OpenCC's character tables.
//
// Two characters are variants of each other when
//   - Unihan links them by kTraditionalVariant, kSimplifiedVariant, kZVariant or kSemanticVariant;
//   - OpenCC's Japanese tables map one to the other (JPVariants: traditional form to Japanese
//     form; JPShinjitaiCharacters: Japanese form to the traditional forms it stands for), so that
//     楽 finds 樂 and 桜 finds 櫻; or
//   - OpenCC's simplified/traditional character tables (STCharacters, TSCharacters) map one to the
//     other, which adds the pairs Unihan lacks.
// A group is a connected component of these links with at least two members. Members are listed
// in ascending code point order and groups in ascending order of their smallest member, so the
// same data always gives the same file and the same group numbers (the index files refer to
// groups by number).
//
// Components chain: a form that stands for two unrelated words (沪 is Japan's 濾 and China's 滬)
// would put both words, with all their other forms, into one group, and a search for either would
// find the other. Every OpenCC link that joins two groups of two or more characters has been
// looked at: CUT_LINKS lists those left out and why, KEPT_JOINS those kept. A join in neither
// list (new data from a newer OpenCC or Unihan) is reported for review. Unihan chains too: the
// semantic variants that a single dictionary gives (kLau, kCowles, kHKGlyph) and that join two
// groups were looked at, and those that join words of unrelated meaning are in CUT_LINKS.
//
// Usage: make-yitizi.js [Unihan_Variants.txt[.bz2]] [output] [OpenCC folder]
//   defaults: /usr/share/unicode/Unihan_Variants.txt.bz2 (Debian package unicode-data),
//   sample/yitizi.txt of this repository and /usr/share/opencc (Debian package libopencc-data).
//   The folder holds each OpenCC table as NAME.ocd2, turned into text with opencc_dict (Debian
//   package opencc), or already as text in NAME.txt (key, a tab, values separated by blanks).
'use strict';

const fs = require('fs');
const os = require('os');
const path = require('path');
const { execFileSync } = require('child_process');

const UNIHAN_FIELDS = new Set(['kTraditionalVariant', 'kSimplifiedVariant', 'kZVariant', 'kSemanticVariant']);
const JAPANESE_TABLES = ['JPVariants', 'JPShinjitaiCharacters'];
const CHINESE_TABLES = ['STCharacters', 'TSCharacters'];
// Group g is searched under index slot 88,065 + g and slots end at 99,999.
const MAX_GROUPS = 11935;
// Groups larger than this are listed by name in the report, to be looked at.
const LARGE_GROUP = 12;

// Links left out: each would put two different words into one group. Unihan's semantic variants
// come from dictionaries of several kinds, and a few that only one dictionary gives join
// characters of unrelated meaning; OpenCC's tables chain through a form that stands for two words.
// The Japanese pairs among these stay apart in the table.
const CUT_LINKS = new Map([
  // Unihan kSemanticVariant links of a single source (kLau unless named)
  ['只子', 'only and child'],
  ['寡關', 'few and mountain pass'],
  ['完烟', 'finish and smoke'],
  ['完煙', 'finish and smoke'],
  ['燒簫', 'burn and flute'],
  ['孀霜', 'widow and frost'],
  ['砌纖', 'lay bricks and fine'],
  ['簡耕', 'simple and plough'],
  ['條糶', 'strip and sell grain'],
  ['諉餵', 'shift blame and feed'],
  ['魷鰌', 'squid and loach'],
  ['匱饋', 'casket and offer food'],
  ['櫃饋', 'cupboard and offer food'],
  ['儓檯', 'servant and table'],
  ['儓枱', 'servant and table'],
  ['眾𠂝', '𠂝 is an old form of 帀 (go round) and stays with it, apart from 眾 (crowd)'],
  ['倈勑', '勑 is 敕 (decree) and stays with it, apart from 徠 (come)'],
  ['勑徠', '勑 is 敕 (decree) and stays with it, apart from 徠 (come)'],
  ['簌雝', 'rustle and harmony (kCowles)'],
  ['斆鏰', 'teach and coin (kMatthews)'],
  ['历厲', '历 stands for 歷 and 曆, not for 厲 (severe) (kFenn)'],
  // OpenCC, Japanese forms
  ['濾沪', '沪 is Japan\'s short form of 濾 (filter) and China\'s simplified 滬 (Shanghai)'],
  ['藝芸', '芸 is Japan\'s short form of 藝 (art), a herb of its own in classical texts (芸香) and China\'s simplified 蕓'],
  ['豫予', '予 is Japan\'s short form of 豫, and the pronoun "I" in classical texts, linked to 余 and through it to 餘'],
  ['瓣弁', '弁 stands for 辨, 辯, 瓣 and 辦 in Japan: it goes with 辨 and 辯 (one word in classical texts), not with 瓣 (petal)'],
  ['弁辦', '弁 goes with 辨 and 辯, not with 辦 (manage, simplified 办)'],
  // OpenCC, simplified and traditional forms
  ['链鍊', '链 (chain, 鏈) maps to 鍊 as well, which is 煉 (smelt)'],
  ['纤縴', '纤 is the simplified form of 纖 (fine) and of 縴 (tow-rope)'],
  ['蚝蠔', '蚝 is a caterpillar (with 蛓, 螆) and the simplified form of 蠔 (oyster)'],
  ['喂餵', 'Unihan groups 喂 with 餒 (hungry) through 餧, which is both'],
  ['雕鵰', '雕 is 彫 (carve) in Unihan\'s group and 鵰 (eagle) in OpenCC\'s'],
  ['摆襬', '摆 is the simplified form of 擺 (sway) and of 襬 (hem)'],
].map(([pair, reason]) => [pairKey(...codePoints(pair)), reason]));

// OpenCC links that join two groups and are kept: both sides are forms of one word, or one is the
// classical form the other was made from.
const KEPT_JOINS = new Set([
  '罐缶',  // jar: Japan writes 缶 for 罐
  '總総', '絲糸', '舉挙',  // Japanese short forms
  '聯連',  // join: 聯 and 連 stand for each other in classical texts
  '両輛',  // 兩 counts chariots in classical texts (革車三百兩); 輛 was made from it
  '铲剷', '镢钁', '赞讚', '苏甦', '艳豔', '卤滷', '宁甯', '弥瀰', '团糰', '啮齧', '尝嚐', '炼鍊',
  '恶噁', '托託', '毁譭', '愈癒', '仿彷',  // one word, or a later character made from the first
  '周賙',  // 周 is the classical form of 賙 (君子周急不繼富)
  '畫划',  // 劃 was made from 畫; Unihan already groups 划 with 劃
].map((pair) => pairKey(...codePoints(pair))));

function codePoints(text) {
  return [...text].map((c) => c.codePointAt(0));
}

function pairKey(a, b) {
  return a < b ? `${a},${b}` : `${b},${a}`;
}

function show(codePoint) {
  return String.fromCodePoint(codePoint);
}

function readUnihan(file) {
  if (file.endsWith('.bz2'))
    return execFileSync('bzcat', [file], { maxBuffer: 1 << 30 }).toString('utf8');
  return fs.readFileSync(file, 'utf8');
}

function unihanLinks(text) {
  const links = [];
  for (const line of text.split('\n')) {
    if (line.startsWith('#') || line.trim() === '') continue;
    const [source, field, value] = line.split('\t');
    if (!UNIHAN_FIELDS.has(field) || value === undefined) continue;
    const from = parseInt(source.slice(2), 16);
    // Values look like "U+5154<kMatthews,kMeyerWempe U+5155": take every code point, drop sources.
    for (const match of value.matchAll(/U\+([0-9A-F]{4,6})/g))
      links.push({ from, to: parseInt(match[1], 16), source: field });
  }
  return links;
}

// The text of OpenCC table NAME: NAME.txt of the folder, else NAME.ocd2 turned into text.
function readOpenCC(folder, name) {
  const text = path.join(folder, `${name}.txt`);
  if (fs.existsSync(text)) return fs.readFileSync(text, 'utf8');
  const binary = path.join(folder, `${name}.ocd2`);
  if (!fs.existsSync(binary))
    throw new Error(`${binary} not found (Debian package libopencc-data)`);
  const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'make-yitizi-'));
  try {
    const converted = path.join(scratch, `${name}.txt`);
    execFileSync('opencc_dict', ['-i', binary, '-o', converted, '-f', 'ocd2', '-t', 'text'], { stdio: 'pipe' });
    return fs.readFileSync(converted, 'utf8');
  } finally {
    fs.rmSync(scratch, { recursive: true, force: true });
  }
}

// Lines are "key<TAB>value value ...". Only single characters link: a phrase is no variant.
function openCCLinks(text, source) {
  const links = [];
  for (const line of text.split('\n')) {
    const [key, values] = line.split('\t');
    if (values === undefined) continue;
    const from = codePoints(key);
    if (from.length !== 1) continue;
    for (const value of values.trim().split(/\s+/)) {
      const to = codePoints(value);
      if (to.length === 1 && to[0] !== from[0]) links.push({ from: from[0], to: to[0], source });
    }
  }
  return links;
}

// Union-find over code points that keeps each component's members.
class Components {
  constructor() { this.parent = new Map(); this.members = new Map(); }
  find(x) {
    if (!this.parent.has(x)) { this.parent.set(x, x); this.members.set(x, [x]); }
    let root = x;
    while (this.parent.get(root) !== root) root = this.parent.get(root);
    while (this.parent.get(x) !== root) { const next = this.parent.get(x); this.parent.set(x, root); x = next; }
    return root;
  }
  membersOf(x) { return this.members.get(this.find(x)); }
  unite(a, b) {
    const ra = this.find(a), rb = this.find(b);
    if (ra === rb) return;
    const [root, other] = ra < rb ? [ra, rb] : [rb, ra];
    this.parent.set(other, root);
    this.members.get(root).push(...this.members.get(other));
    this.members.delete(other);
  }
  groups() {
    return [...this.members.values()]
      .filter((group) => group.length >= 2)
      .map((group) => [...group].sort((a, b) => a - b))
      .sort((a, b) => a[0] - b[0]);
  }
}

function showGroup(group) {
  return [...group].sort((a, b) => a - b).map(show).join('');
}

// Adds the OpenCC links to the Unihan components, leaving out CUT_LINKS; returns the joins that
// neither list covers.
function addOpenCCLinks(components, links) {
  const unreviewed = [];
  for (const { from, to, source } of links) {
    const key = pairKey(from, to);
    if (CUT_LINKS.has(key) || components.find(from) === components.find(to)) continue;
    if (components.membersOf(from).length > 1 && components.membersOf(to).length > 1 && !KEPT_JOINS.has(key))
      unreviewed.push(`${source} ${show(from)}→${show(to)} joins ${showGroup(components.membersOf(from))} and ${showGroup(components.membersOf(to))}`);
    components.unite(from, to);
  }
  return unreviewed;
}

function report(groups, components, japaneseLinks, unreviewed, output) {
  const pairs = new Map();
  for (const { from, to } of japaneseLinks) pairs.set(`${from},${to}`, [from, to]);
  const apart = [...pairs.values()].filter(([from, to]) => components.find(from) !== components.find(to));
  const bySize = [...groups].sort((a, b) => b.length - a.length || a[0] - b[0]);
  const large = bySize.filter((group) => group.length > LARGE_GROUP);
  console.log(`make-yitizi: ${groups.length} groups written to ${output}`);
  console.log(`  Japanese forms: ${pairs.size - apart.length} of ${pairs.size} pairs in one group` +
              (apart.length ? `; apart: ${apart.map((pair) => pair.map(show).join('→')).join(' ')}` : ''));
  console.log(`  groups above ${LARGE_GROUP} members: ${large.length ? large.map(showGroup).join(' ') : 'none'}`);
  console.log(`  largest: ${bySize.slice(0, 10).map((group) => `${group.length} ${showGroup(group)}`).join(', ')}`);
  for (const line of unreviewed) console.warn(`make-yitizi: to review (add to CUT_LINKS or KEPT_JOINS): ${line}`);
}

function main() {
  const repository = path.resolve(__dirname, '..', '..');
  const unihan = process.argv[2] || '/usr/share/unicode/Unihan_Variants.txt.bz2';
  const output = process.argv[3] || path.join(repository, 'sample', 'yitizi.txt');
  const openCC = process.argv[4] || '/usr/share/opencc';
  if (!fs.existsSync(unihan)) {
    console.error(`make-yitizi: ${unihan} not found (Debian package unicode-data)`);
    process.exit(1);
  }
  let japaneseLinks, chineseLinks;
  try {
    japaneseLinks = JAPANESE_TABLES.flatMap((name) => openCCLinks(readOpenCC(openCC, name), name));
    chineseLinks = CHINESE_TABLES.flatMap((name) => openCCLinks(readOpenCC(openCC, name), name));
  } catch (error) {
    console.error(`make-yitizi: ${error.message}`);
    process.exit(1);
  }
  const components = new Components();
  for (const { from, to } of unihanLinks(readUnihan(unihan)))
    if (!CUT_LINKS.has(pairKey(from, to))) components.unite(from, to);
  const unreviewed = [...addOpenCCLinks(components, japaneseLinks), ...addOpenCCLinks(components, chineseLinks)];
  const groups = components.groups();
  if (groups.length > MAX_GROUPS) {
    console.error(`make-yitizi: ${groups.length} groups; the index has slots for ${MAX_GROUPS} only`);
    process.exit(1);
  }
  const lines = groups.map((group) => group.map((c) => c.toString(16).toUpperCase()).join(','));
  fs.writeFileSync(output, lines.join('\n') + '\n');
  report(groups, components, japaneseLinks, unreviewed, output);
}

main();
