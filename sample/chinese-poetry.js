#!/usr/bin/env node
// Converts the npm package chinese-poetry (version 2.0.1, MIT licence) into a varo source corpus:
// category/title/volume/NNNN.txt in the plain-text page format of docs/source-format.md.
//
// Usage: chinese-poetry.js PACKAGE_DIST sample|full OUTPUT
//   PACKAGE_DIST  the package's dist folder
//   sample        the classics, the small anthologies and the primers (builds in seconds)
//   full          the sample plus 全唐詩, 御定全唐詩, 全宋詩, 全宋詞 and 元曲 (for benchmarks)
// OUTPUT is emptied and rewritten.
//
// Texts are taken as the package has them, simplified or traditional. Poems become a heading
// (the title), an annotation line with the dynasty and author, the lines of the poem and
// annotation lines for notes. Pages hold whole poems or paragraphs up to about PAGE_CHARS
// characters; volumes follow the works' own divisions and are split after VOLUME_PAGES pages.
'use strict';

const fs = require('fs');
const path = require('path');

const PAGE_CHARS = 400;
const VOLUME_PAGES = 40;
const NAME_CHARS = 30;

const DIGITS = '〇一二三四五六七八九';

// Chinese numeral for 1 … 9999 (一, 十, 十一, 二十, 一百零五, …).
function chineseNumber(n) {
  if (n < 10) return DIGITS[n];
  if (n < 20) return '十' + (n % 10 ? DIGITS[n % 10] : '');
  const units = [[1000, '千'], [100, '百'], [10, '十']];
  let text = '';
  let zero = false;
  for (const [value, unit] of units) {
    const digit = Math.floor(n / value) % 10;
    if (digit) {
      if (zero) text += '〇';
      text += DIGITS[digit] + unit;
      zero = false;
    } else if (text) {
      zero = true;
    }
  }
  if (n % 10) text += (zero ? '〇' : '') + DIGITS[n % 10];
  return text;
}

function characters(text) {
  return [...text].length;
}

// A name usable as a folder name and as a catalogue name.
function folderSafe(name) {
  const clean = String(name || '').replace(/[\/\\\x00-\x1f]/g, '／').trim() || '無題';
  return [...clean].slice(0, NAME_CHARS).join('');
}

// Plain-text escapes of the page format: a backslash before \ { } and a leading #.
function escapeText(text) {
  return String(text).replace(/[\\{}]/g, (c) => '\\' + c).replace(/^#/, '\\#').replace(/[\r\n]+/g, ' ').trim();
}

const heading = (text) => '# ' + escapeText(text);
const annotation = (text) => '{' + escapeText(text) + '}';
const line = (text) => escapeText(text);

// Cuts a long paragraph after sentence ends so that no line is much longer than a page.
function splitLong(text) {
  const pieces = [];
  let rest = [...text];
  while (rest.length > PAGE_CHARS) {
    let cut = PAGE_CHARS;
    for (let i = PAGE_CHARS; i > PAGE_CHARS / 2; --i)
      if ('。！？；」”'.includes(rest[i - 1])) { cut = i; break; }
    pieces.push(rest.slice(0, cut).join(''));
    rest = rest.slice(cut);
  }
  if (rest.length) pieces.push(rest.join(''));
  return pieces;
}

// Writes one title: volumes of pages of blocks (a block is a poem or a paragraph, kept on one
// page when it fits).
class TitleWriter {
  constructor(folder, stats) {
    this.folder = folder;
    this.stats = stats;
    this.volumeCount = 0;
    this.volume = null;
  }

  startVolume(name) {
    this.flushPage();
    this.volume = { name: folderSafe(name), part: 1, folder: null, pages: 0, label: 0 };
    this.page = [];
    this.pageChars = 0;
  }

  openVolumeFolder() {
    const v = this.volume;
    const name = v.part === 1 ? v.name : `${v.name} ${chineseNumber(v.part)}`;
    this.volumeCount += 1;
    v.folder = path.join(this.folder, `${String(this.volumeCount).padStart(4, '0')}_${name}`);
    fs.mkdirSync(v.folder, { recursive: true });
    this.stats.volumes += 1;
  }

  flushPage() {
    if (!this.volume || this.page.length === 0) return;
    const v = this.volume;
    if (v.pages === VOLUME_PAGES) {
      v.part += 1;
      v.folder = null;
      v.pages = 0;
      v.label = 0;
    }
    if (!v.folder) this.openVolumeFolder();
    v.pages += 1;
    v.label += 1;
    fs.writeFileSync(path.join(v.folder, `${String(v.label).padStart(4, '0')}.txt`), this.page.join('\n') + '\n');
    this.stats.pages += 1;
    this.stats.characters += this.pageChars;
    this.page = [];
    this.pageChars = 0;
  }

  addLine(text) {
    const size = characters(text);
    if (this.pageChars + size > PAGE_CHARS && this.page.length) this.flushPage();
    this.page.push(text);
    this.pageChars += size;
  }

  // lines: the block's lines, already in page-format syntax.
  addBlock(lines) {
    lines = lines.filter((l) => l && l !== '# ' && l !== '{}');
    if (!lines.length) return;
    const size = lines.reduce((sum, l) => sum + characters(l), 0);
    if (this.pageChars + size > PAGE_CHARS && this.page.length) this.flushPage();
    for (const l of lines) {
      const isProse = !l.startsWith('#') && !l.startsWith('{');
      for (const piece of isProse ? splitLong(l) : [l]) this.addLine(piece);
    }
  }

  finish() {
    this.flushPage();
  }
}

class CorpusWriter {
  constructor(output) {
    this.output = output;
    this.categories = 0;
    this.stats = { categories: 0, titles: 0, volumes: 0, pages: 0, characters: 0 };
  }

  category(name) {
    this.categories += 1;
    this.titles = 0;
    this.categoryFolder = path.join(this.output, `${String(this.categories).padStart(2, '0')}_${name}`);
    this.stats.categories += 1;
  }

  // Runs fill(writer) for a new title of the current category.
  title(name, fill) {
    this.titles += 1;
    const folder = path.join(this.categoryFolder, `${String(this.titles).padStart(3, '0')}_${folderSafe(name)}`);
    const writer = new TitleWriter(folder, this.stats);
    fill(writer);
    writer.finish();
    if (writer.volumeCount) this.stats.titles += 1;
  }
}

// ---- the package's files ---------------------------------------------------------------------

function loadJson(dist, file) {
  return JSON.parse(fs.readFileSync(path.join(dist, file), 'utf8'));
}

// Numbered files such as poet.tang.0.json, poet.tang.1000.json … in numeric order.
function numberedFiles(dist, folder, pattern) {
  return fs.readdirSync(path.join(dist, folder))
    .map((name) => ({ name, match: name.match(pattern) }))
    .filter((f) => f.match)
    .sort((a, b) => Number(a.match[1]) - Number(b.match[1]))
    .map((f) => path.join(folder, f.name));
}

function byline(dynasty, author) {
  const who = String(author || '').trim();
  if (!who) return '';
  return annotation(dynasty ? `〔${dynasty}〕${who}` : who);
}

function poemBlock({ title, dynasty, author, lines, notes }) {
  return [
    heading(title || '無題'),
    byline(dynasty, author),
    ...(lines || []).map(line),
    ...[].concat(notes || []).filter((n) => n && String(n).trim()).map(annotation),
  ];
}

// Poems in volumes of `perVolume` poems named 卷一, 卷二, …
function poemVolumes(writer, poems, perVolume, toBlock) {
  poems.forEach((poem, i) => {
    if (i % perVolume === 0) writer.startVolume('卷' + chineseNumber(i / perVolume + 1));
    writer.addBlock(toBlock(poem));
  });
}

// Prose works: [{chapter, paragraphs}] with one volume a chapter.
function chapterVolumes(writer, chapters, nameOf = (c) => c.chapter) {
  for (const chapter of chapters) {
    writer.startVolume(nameOf(chapter));
    for (const paragraph of chapter.paragraphs || []) writer.addBlock([line(paragraph)]);
  }
}

function groupBy(items, key) {
  const groups = new Map();
  for (const item of items) {
    const k = key(item);
    if (!groups.has(k)) groups.set(k, []);
    groups.get(k).push(item);
  }
  return groups;
}

function classics(corpus, dist) {
  corpus.category('經部');
  corpus.title('詩經', (w) => {
    for (const [section, poems] of groupBy(loadJson(dist, 'shijing/shijing.json'), (p) => `${p.chapter}・${p.section}`)) {
      w.startVolume(section);
      for (const p of poems) w.addBlock(poemBlock({ title: p.title, lines: p.content }));
    }
  });
  corpus.title('論語', (w) => chapterVolumes(w, loadJson(dist, 'lunyu/lunyu.json')));
  corpus.title('大學', (w) => chapterVolumes(w, [loadJson(dist, 'sishuwujing/daxue.json')]));
  corpus.title('中庸', (w) => chapterVolumes(w, [loadJson(dist, 'sishuwujing/zhongyong.json')]));
  corpus.title('孟子', (w) => chapterVolumes(w, loadJson(dist, 'sishuwujing/mengzi.json')));
}

// Anthologies grouped by form: {content: [{type, content: [{chapter, subchapter, author, paragraphs}]}]}
function anthologyByForm(writer, book, dynasty) {
  for (const form of book.content) {
    writer.startVolume(form.type);
    for (const p of form.content) {
      const title = p.subchapter ? `${p.chapter} ${p.subchapter}` : p.chapter;
      writer.addBlock(poemBlock({ title, dynasty, author: p.author, lines: p.paragraphs }));
    }
  }
}

function poetry(corpus, dist, full) {
  corpus.category('詩');
  corpus.title('楚辭', (w) => {
    for (const [section, poems] of groupBy(loadJson(dist, 'chuci/chuci.json'), (p) => p.section)) {
      w.startVolume(section);
      for (const p of poems) w.addBlock(poemBlock({ title: p.title, author: p.author, lines: p.content }));
    }
  });
  corpus.title('曹操詩集', (w) => {
    w.startVolume('曹操詩集');
    for (const p of loadJson(dist, 'caocaoshiji/caocao.json'))
      w.addBlock(poemBlock({ title: p.title, dynasty: '漢', author: '曹操', lines: p.paragraphs }));
  });
  corpus.title('唐詩三百首', (w) => anthologyByForm(w, loadJson(dist, 'mengxue/tangshisanbaishou.json'), '唐'));
  corpus.title('千家詩', (w) => anthologyByForm(w, loadJson(dist, 'mengxue/qianjiashi.json')));
  corpus.title('水墨唐詩', (w) => {
    w.startVolume('水墨唐詩');
    for (const p of loadJson(dist, 'shuimotangshi/shuimotangshi.json'))
      w.addBlock(poemBlock({ title: p.title, dynasty: '唐', author: p.author, lines: p.paragraphs, notes: p.prologue }));
  });
  corpus.title('納蘭性德詩集', (w) => {
    w.startVolume('納蘭性德詩集');
    for (const p of loadJson(dist, 'nalanxingde/纳兰性德诗集.json'))
      w.addBlock(poemBlock({ title: p.title, dynasty: '清', author: p.author, lines: p.para }));
  });
  if (!full) return;
  const poet = (dynasty) => (p) => poemBlock({ title: p.title, dynasty, author: p.author, lines: p.paragraphs });
  corpus.title('全唐詩', (w) => {
    const poems = numberedFiles(dist, 'quantangshi', /^poet\.tang\.(\d+)\.json$/).flatMap((f) => loadJson(dist, f));
    poemVolumes(w, poems, 200, poet('唐'));
  });
  corpus.title('御定全唐詩', (w) => {
    for (const file of numberedFiles(dist, 'yudingquantangshi/json', /^(\d+)\.json$/)) {
      const poems = loadJson(dist, file);
      w.startVolume(poems[0] && poems[0].volume ? poems[0].volume : path.basename(file, '.json'));
      for (const p of poems)
        w.addBlock(poemBlock({ title: p.title, dynasty: '唐', author: p.author, lines: p.paragraphs, notes: p.notes }));
    }
  });
  corpus.title('全宋詩', (w) => {
    const poems = numberedFiles(dist, 'quantangshi', /^poet\.song\.(\d+)\.json$/).flatMap((f) => loadJson(dist, f));
    poemVolumes(w, poems, 200, poet('宋'));
  });
}

function lyrics(corpus, dist, full) {
  const ci = (dynasty) => (p) =>
    poemBlock({ title: p.title || p.rhythmic, dynasty, author: p.author, lines: p.paragraphs, notes: p.notes });
  corpus.category('詞');
  corpus.title('花間集', (w) => {
    for (const file of numberedFiles(dist, 'wudaishici/huajianji', /^huajianji-(\d+)-juan\.json$/)) {
      w.startVolume('卷' + chineseNumber(Number(file.match(/-(\d+)-juan/)[1])));
      for (const p of loadJson(dist, file)) w.addBlock(ci('五代')(p));
    }
  });
  corpus.title('南唐二主詞', (w) => {
    w.startVolume('南唐二主詞');
    for (const p of loadJson(dist, 'wudaishici/nantang/poetrys.json')) w.addBlock(ci('南唐')(p));
  });
  corpus.title('宋詞三百首', (w) => poemVolumes(w, loadJson(dist, 'songci/宋词三百首.json'), 100, ci('宋')));
  if (!full) return;
  corpus.title('全宋詞', (w) => {
    const poems = numberedFiles(dist, 'songci', /^ci\.song\.(\d+)\.json$/).flatMap((f) => loadJson(dist, f));
    poemVolumes(w, poems, 200, ci('宋'));
  });
  corpus.category('曲');
  corpus.title('元曲', (w) => poemVolumes(w, loadJson(dist, 'yuanqu/yuanqu.json'), 200,
    (p) => poemBlock({ title: p.title, dynasty: '元', author: p.author, lines: p.paragraphs })));
}

function prose(corpus, dist) {
  corpus.category('文');
  corpus.title('古文觀止', (w) => {
    for (const volume of loadJson(dist, 'mengxue/guwenguanzhi.json').content) {
      w.startVolume(volume.title);
      for (const p of volume.content) {
        w.addBlock([heading(p.chapter), annotation([p.source, p.author].filter(Boolean).join(' ')), ...splitFirst(p.paragraphs)]);
        for (const paragraph of p.paragraphs.slice(1)) w.addBlock([line(paragraph)]);
      }
    }
  });
  corpus.title('幽夢影', (w) => {
    w.startVolume('幽夢影');
    for (const p of loadJson(dist, 'youmengying/youmengying.json'))
      w.addBlock([line(p.content), ...(p.comment || []).map(annotation)]);
  });
}

// The first paragraph of a piece goes with its heading.
function splitFirst(paragraphs) {
  return paragraphs.length ? [line(paragraphs[0])] : [];
}

function primers(corpus, dist) {
  corpus.category('蒙學');
  const flat = (file, name) => corpus.title(name, (w) => {
    const book = loadJson(dist, file);
    w.startVolume(name);
    for (const paragraph of book.paragraphs) w.addBlock([line(paragraph)]);
  });
  flat('mengxue/sanzijing-traditional.json', '三字經');
  flat('mengxue/baijiaxing.json', '百家姓');
  flat('mengxue/qianziwen.json', '千字文');
  corpus.title('弟子規', (w) => chapterVolumes(w, loadJson(dist, 'mengxue/dizigui.json').content));
  flat('mengxue/zhuzijiaxun.json', '朱子家訓');
  corpus.title('增廣賢文', (w) => chapterVolumes(w, loadJson(dist, 'mengxue/zengguangxianwen.json').content));
  const nested = (file, name) => corpus.title(name, (w) => {
    for (const part of loadJson(dist, file).content)
      chapterVolumes(w, part.content, (c) => `${part.title}・${c.chapter}`);
  });
  nested('mengxue/youxueqionglin.json', '幼學瓊林');
  nested('mengxue/shenglvqimeng.json', '聲律啓蒙');
  corpus.title('文字蒙求', (w) => chapterVolumes(w, loadJson(dist, 'mengxue/wenzimengqiu.json').content, (c) => c.title));
}

function main() {
  const [dist, size, output] = process.argv.slice(2);
  if (!dist || !['sample', 'full'].includes(size) || !output) {
    console.error('usage: chinese-poetry.js PACKAGE_DIST sample|full OUTPUT');
    process.exit(2);
  }
  const full = size === 'full';
  fs.rmSync(output, { recursive: true, force: true });
  fs.mkdirSync(output, { recursive: true });
  const corpus = new CorpusWriter(output);
  classics(corpus, dist);
  poetry(corpus, dist, full);
  lyrics(corpus, dist, full);
  prose(corpus, dist);
  primers(corpus, dist);
  const s = corpus.stats;
  console.log(`chinese-poetry ${size}: ${s.categories} categories, ${s.titles} titles, ${s.volumes} volumes, ` +
              `${s.pages} pages, ${s.characters} characters of source text in ${output}`);
}

main();
