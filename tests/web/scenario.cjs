// The board page in the system's Chromium, on a 300-member share: the page shows the board, a row
// written by tavelin-cli set shows within 3 s without a reload, the share gone and back is said and
// undone, a member's link sets 外出・戻り 15:00 and the board file holds it, a row another PC changed
// meanwhile is shown and asked about before it is overwritten, a row's HTML shows as text, the find
// box folds full width, the reception's view holds all 300 readably, the sheet of links draws a QR
// code per slip, and the page fits a phone, a tablet and a desk, no page's script logging an error.
// Screenshots of each page size, the reception's view and the sheet go to SHOTS.
// Usage: node scenario.cjs CLI NODE_MODULES SHOTS
'use strict';
const { spawn, execFileSync } = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const [cli, modules, shots] = process.argv.slice(2).map((a) => path.resolve(a));
if (!fs.existsSync(path.join(modules, 'puppeteer-core'))) {
  console.log(`web scenario: skipped: no puppeteer-core in ${modules}; scripts/install-deps installs it`);
  process.exit(77);
}
const puppeteer = require(path.resolve(modules, 'puppeteer-core'));

const work = fs.mkdtempSync(path.join(os.tmpdir(), 'tavelin-web-'));
const src = ['--names', path.join(work, 'tv_name.lst'), '--board', path.join(work, 'tv_cont.lst')];
const run = (...args) => execFileSync(cli, args, { encoding: 'utf8', stdio: ['ignore', 'pipe', 'pipe'] });
function fail(what) { throw new Error(what); }

// A fault in a page's script or its console fails the run; a request the test itself cuts
// (a stopped server, an aborted stream) only logs the browser's own line, which is not the page's.
const pageErrors = [];
function watch(page, label) {
  page.on('pageerror', (e) => pageErrors.push(label + ': ' + e.message));
  page.on('console', (m) => {
    if (m.type() === 'error' && !/^Failed to load resource/.test(m.text())) pageErrors.push(label + ': ' + m.text());
  });
}

async function main() {
  // Long names, as offices write them (a department, a full name, an extension): every other one is
  // longer than the reception's view keeps.
  const wide = (n) => String(n).padStart(3, '0').replace(/[0-9]/g, (d) => String.fromCharCode(0xff10 + Number(d)));
  const names = Array.from({ length: 300 }, (_, i) =>
    (i % 2 ? '鈴木花子' : '営業第二課長谷川太郎') + wide(i) + (i % 2 ? '(内線' + (100 + i) + ')' : ''));
  fs.writeFileSync(path.join(work, 'names.txt'), names.join('\n') + '\n');
  run('init-share', work, '--names', path.join(work, 'names.txt'));
  const hostile = '<img src=x onerror=alert(1)>';
  run('set', ...src, '--slot', '3', '--morning', hostile);
  run('set', ...src, '--slot', '4', '--state', '外出・戻り', '--return', '0:01', '--afternoon', '直行');
  run('set', ...src, '--slot', '6', '--state', '社内', '--morning', 'ＡＢＣ商事 打合せ');
  run('make-tokens', ...src, '--out', path.join(work, 'tokens'));
  const token = fs.readFileSync(path.join(work, 'tokens'), 'utf8').split('\n')[0].split('\t')[0];

  // A serve of the share on LISTEN with the extra options; its process and its address.
  const serve = (listen, extra) => {
    const proc = spawn(cli, ['serve', ...src, '--listen', listen, ...extra]);
    let log = '';
    return new Promise((resolve, reject) => {
      proc.stderr.on('data', (d) => {
        log += d;
        const m = /listening on (http:\/\/[^ ]+?)\/ /.exec(log);
        if (m) resolve({ proc, url: m[1] });
      });
      proc.on('exit', () => reject(new Error('serve ended: ' + log)));
    });
  };
  let server;
  const start = async (listen) => {
    const started = await serve(listen, ['--tokens', path.join(work, 'tokens')]);
    server = started.proc;
    return started.url;
  };
  const base = await start('127.0.0.1:0');

  const browser = await puppeteer.launch({
    executablePath: '/usr/bin/chromium',
    userDataDir: path.join(work, 'profile'),
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-background-networking',
      '--disable-component-update', '--no-first-run', '--disable-sync'],
  });
  try {
    fs.mkdirSync(shots, { recursive: true });
    const page = await browser.newPage();
    watch(page, 'member page');
    let alerted = false;
    page.on('dialog', async (d) => { alerted = true; await d.dismiss(); });
    await page.setViewport({ width: 1920, height: 1080 });
    await page.goto(base + '/m/' + token, { waitUntil: 'load' });
    const cell = (slot, field) => page.$eval('#s' + slot + ' .f' + field, (td) => td.textContent);

    // The board, and a row's HTML as text.
    if ((await page.$$('#board tbody tr')).length !== 300) fail('not 300 rows');
    if ((await cell(3, 1)) !== hostile) fail('the row with HTML does not read as text');
    if ((await page.$$('#board img')).length !== 0 || alerted) fail('the row with HTML ran');
    if (!(await page.$eval('#s4', (tr) => tr.classList.contains('overdue')))) fail('row 4 is not overdue');

    // A row written by another client, live.
    await page.waitForFunction(() => document.querySelector('#age').hidden);
    const started = Date.now();
    run('set', ...src, '--slot', '7', '--morning', '来客対応');
    await page.waitForFunction(() => document.querySelector('#s7 .f1').textContent === '来客対応', { timeout: 3000 });
    const liveMs = Date.now() - started;

    // A read-only server's page (no editor) hears a row too, without a fault in its script.
    const open = await serve('127.0.0.1:0', []);
    try {
      const readOnly = await browser.newPage();
      watch(readOnly, 'read-only page');
      await readOnly.goto(open.url + '/', { waitUntil: 'load' });
      run('set', ...src, '--slot', '9', '--morning', '閲覧のみ');
      await readOnly.waitForFunction(() => document.querySelector('#s9 .f1').textContent === '閲覧のみ', { timeout: 3000 });
      await new Promise((r) => setTimeout(r, 200));
      await readOnly.close();
    } finally {
      open.proc.kill('SIGTERM');
    }

    // The share gone: the page says since when its rows are old, and recovers by itself.
    const board = path.join(work, 'tv_cont.lst');
    fs.renameSync(board, board + '.away');
    await page.waitForFunction(() => !document.querySelector('#age').hidden, { timeout: 8000 });
    fs.renameSync(board + '.away', board);
    await page.waitForFunction(() => document.querySelector('#age').hidden, { timeout: 8000 });

    // The member's own row: 外出・戻り asks the return time.
    await page.click('button.state[data-state="外出・戻り"]');
    await page.type('#return', '１５：００');
    await page.click('#return-ok');
    await page.waitForFunction(() => document.querySelector('#editor-message').textContent === '保存しました。');
    const row = JSON.parse(run('show', ...src, '--json'))[0];
    if (row.state !== '外出・戻り' || row.returnTime !== '15:00') fail('the board holds ' + JSON.stringify(row));

    // A row another PC wrote meanwhile, on a page that has not heard of it: shown, and asked.
    const blockEvents = (r) => (r.url().includes('/events') ? r.abort() : r.continue());
    await page.setRequestInterception(true);
    page.on('request', blockEvents);
    await page.reload({ waitUntil: 'load' });
    run('set', ...src, '--slot', '0', '--morning', '他のPCの予定');
    for (let tries = 0; ; ++tries) {
      const rows = await (await fetch(base + '/api/board', { headers: { Authorization: 'Bearer ' + token } })).json();
      if (rows[0].morning === '他のPCの予定') break;
      if (tries === 30) fail('the server did not read the other PC\'s row');
      await new Promise((r) => setTimeout(r, 100));
    }
    await page.type('#morning', 'ページの予定');
    await page.click('#save');
    await page.waitForFunction(() => !document.querySelector('#conflict').hidden);
    if (!(await page.$eval('#conflict-row', (p) => p.textContent)).includes('他のPCの予定')) fail('the conflict hides their row');
    await page.click('#overwrite');
    await page.waitForFunction(() => document.querySelector('#editor-message').textContent === '保存しました。');
    if (JSON.parse(run('show', ...src, '--json'))[0].morning !== 'ページの予定') fail('the overwrite is not on the board');
    page.off('request', blockEvents);
    await page.setRequestInterception(false);
    await page.reload({ waitUntil: 'load' });

    // A change made elsewhere while the member types is a conflict, though the page heard of it
    // before 保存 was pressed.
    await page.waitForFunction(() => document.querySelector('#age').hidden);
    await page.click('#morning', { clickCount: 3 });
    await page.type('#morning', '入力中の予定');
    run('set', ...src, '--slot', '0', '--afternoon', 'デスクからの変更');
    await page.waitForFunction(() => document.querySelector('#s0 .f2').textContent === 'デスクからの変更', { timeout: 3000 });
    await page.click('#save');
    await page.waitForFunction(() => !document.querySelector('#conflict').hidden || document.querySelector('#editor-message').textContent === '保存しました。');
    if (await page.$eval('#conflict', (c) => c.hidden)) fail('a change made while typing was overwritten');
    await page.click('#keep');
    if (JSON.parse(run('show', ...src, '--json'))[0].afternoon !== 'デスクからの変更') fail('the desk\'s change is lost');

    // A restart: after 5 s without the event stream the page says so, and once the server is back
    // it hears the rows it missed and the notice goes.
    const stopped = new Promise((resolve) => server.once('exit', resolve));
    server.kill('SIGTERM');
    await stopped;
    await page.waitForFunction(() => { const o = document.querySelector('#offline'); return o && !o.hidden; }, { timeout: 9000 });
    run('set', ...src, '--slot', '8', '--morning', '停止中の変更');
    await start(base.replace('http://', ''));
    await page.waitForFunction(() => document.querySelector('#offline').hidden, { timeout: 20000 });
    await page.waitForFunction(() => document.querySelector('#s8 .f1').textContent === '停止中の変更', { timeout: 3000 });

    // By keyboard: a header sorts with Enter and says how; the state buttons say which one is on; Esc
    // closes the return time's prompt. Checked in the accessibility tree where it shows there.
    const sortOf = () => page.$eval('th[data-col="4"]', (th) => th.getAttribute('aria-sort'));
    const firstSlot = () => page.$eval('#board tbody tr', (tr) => tr.dataset.slot);
    await page.focus('th[data-col="4"]');
    await page.keyboard.press('Enter');
    if ((await sortOf()) !== 'ascending') fail('Enter on a header: aria-sort ' + (await sortOf()));
    await page.keyboard.press('Enter');
    if ((await sortOf()) !== 'descending' || (await firstSlot()) !== '6') fail('Enter again does not sort descending');
    await page.keyboard.press(' ');
    if ((await sortOf()) !== 'none' || (await firstSlot()) !== '0') fail('a third press does not give the list order back');
    const nodes = [];
    const walk = (n) => { nodes.push(n); (n.children || []).forEach(walk); };
    walk(await page.accessibility.snapshot());
    const pressed = nodes.filter((n) => n.role === 'button' && n.pressed === true).map((n) => n.name);
    if (pressed.join() !== '外出・戻り') fail('pressed state buttons: ' + pressed.join());
    await page.click('button.state[data-state="外出・戻り"]');
    await page.keyboard.press('Escape');
    if (!(await page.$eval('#return-ask', (d) => d.hidden))) fail('Esc does not close the return time\'s prompt');

    // The reception's view, with its own token added while serve runs: all 300 members on one
    // 1920x1080 screen without scrolling, in type large enough for the room, live; its token writes nothing.
    const made = run('make-tokens', ...src, '--out', path.join(work, 'tokens'), '--kiosk', '--url', base);
    const kioskUrl = /\t(http:\S+\/kiosk\/[0-9a-f]{40})/.exec(made)[1];
    const kioskToken = kioskUrl.slice(-40);
    for (let tries = 0; (await fetch(kioskUrl)).status !== 200; ++tries) {
      if (tries === 30) fail('the reception\'s new token is not taken');
      await new Promise((r) => setTimeout(r, 100));
    }
    const kiosk = await browser.newPage();
    watch(kiosk, 'reception');
    await kiosk.setViewport({ width: 1920, height: 1080 });
    await kiosk.goto(kioskUrl, { waitUntil: 'load' });
    // Every cell inside the screen, each name showing at least its first six characters (or all of
    // a shorter one) with its state's word and return time beside it, in type of 14 px or more.
    const fit = await kiosk.evaluate(() => {
      const cells = Array.from(document.querySelectorAll('#kiosk-grid .k'));
      const font = parseFloat(getComputedStyle(document.getElementById('kiosk-grid')).fontSize);
      const inside = (r, box) => r.left >= box.left - 0.5 && r.top >= box.top - 0.5 && r.right <= box.right + 0.5 &&
        r.bottom <= box.bottom + 0.5;
      const screen = { left: 0, top: 0, right: innerWidth, bottom: innerHeight };
      let outside = 0, fewest = null, hiddenWords = 0;
      for (const c of cells) {
        const box = c.getBoundingClientRect();
        if (!inside(box, screen)) ++outside;
        for (const part of c.querySelectorAll('.s, .r')) if (!inside(part.getBoundingClientRect(), box)) ++hiddenWords;
        const name = c.querySelector('.n');
        const chars = Array.from(name.textContent);
        let shown = chars.length;
        if (name.scrollWidth > name.clientWidth) {
          // Cut: as many leading characters as fit before the ellipsis.
          const range = document.createRange();
          shown = 0;
          for (let k = 1, at = 0; k <= chars.length; ++k) {
            at += chars[k - 1].length;
            range.setStart(name.firstChild, 0);
            range.setEnd(name.firstChild, at);
            if (range.getBoundingClientRect().width + font > name.clientWidth) break;
            shown = k;
          }
        }
        if (shown < Math.min(6, chars.length) && (fewest === null || shown < fewest)) fewest = shown;
      }
      return { cells: cells.length, outside, fewest, hiddenWords, font,
        scroll: document.documentElement.scrollHeight - innerHeight, sideways: document.documentElement.scrollWidth - innerWidth,
        away: document.querySelector('#s4 .s').textContent + ' ' + document.querySelector('#s4 .r').textContent };
    });
    if (fit.cells !== 300 || fit.outside || fit.scroll > 0 || fit.sideways > 0 || fit.hiddenWords)
      fail('the reception\'s view does not fit one screen: ' + JSON.stringify(fit));
    if (fit.fewest !== null) fail('the reception\'s view cuts a name to ' + fit.fewest + ' characters');
    if (fit.font < 14) fail('the reception\'s type is ' + fit.font + ' px');
    const receptionFont = fit.font;
    if (fit.away !== '外出・戻り 0:01') fail('the reception shows row 4 as ' + fit.away);
    run('set', ...src, '--slot', '299', '--state', '帰宅');
    await kiosk.waitForFunction(() => document.querySelector('#s299 .s').textContent === '帰宅', { timeout: 3000 });
    await kiosk.screenshot({ path: path.join(shots, 'kiosk-1920x1080.png') });
    await kiosk.close();
    const kioskWrite = await fetch(base + '/api/rows/me', { method: 'POST',
      headers: { Authorization: 'Bearer ' + kioskToken, 'Content-Type': 'application/json' }, body: '{"state":"社内"}' });
    if (kioskWrite.status !== 403) fail('the reception\'s token wrote: ' + kioskWrite.status);

    // The sheet of links to print: a QR code drawn on every slip, each of a size a QR code has
    // (21 modules, 4 more a version), and the printed sheet without the screen's note.
    const sheetPath = path.join(work, 'slips.html');
    run('make-tokens', ...src, '--links', '--tokens', path.join(work, 'tokens'), '--url', base, '--sheet', sheetPath);
    const sheet = await browser.newPage();
    watch(sheet, 'sheet');
    await sheet.setViewport({ width: 794, height: 1123 });
    await sheet.goto('file://' + sheetPath, { waitUntil: 'load' });
    const codes = await sheet.$$eval('.slip', (slips) => slips.map((s) => ({
      svg: !!s.querySelector('.qr svg path'), modules: Number(s.querySelector('.qr').dataset.modules) })));
    const odd = codes.filter((c) => !c.svg || c.modules < 21 || c.modules > 177 || (c.modules - 21) % 4 !== 0);
    if (codes.length !== 300 || odd.length) fail('the sheet\'s QR codes: ' + codes.length + ' slips, odd ' + JSON.stringify(odd.slice(0, 3)));
    await sheet.screenshot({ path: path.join(shots, 'sheet-screen.png') });
    await sheet.emulateMediaType('print');
    if (await sheet.$eval('.note', (n) => getComputedStyle(n).display !== 'none')) fail('the sheet prints its note');
    await sheet.screenshot({ path: path.join(shots, 'sheet-print.png') });
    await sheet.close();

    // The find box folds full width and case, as the window's does.
    await page.type('#find', 'abc');
    const shown = await page.$$eval('#board tbody tr:not(.hide)', (trs) => trs.map((tr) => tr.dataset.slot));
    if (shown.join() !== '6') fail('find "abc" shows rows ' + shown.join());
    await page.$eval('#find', (f) => { f.value = ''; f.dispatchEvent(new Event('input')); });

    // The member's page at each size it is read at, none scrolling sideways; a screenshot of each.
    const sizes = [
      { name: 'phone', width: 360, height: 740, isMobile: true, hasTouch: true, deviceScaleFactor: 2 },
      { name: 'phone', width: 390, height: 844, isMobile: true, hasTouch: true, deviceScaleFactor: 2 },
      { name: 'tablet', width: 820, height: 1180, isMobile: true, hasTouch: true, deviceScaleFactor: 2 },
      { name: 'desk', width: 1366, height: 768 },
      { name: 'desk', width: 1920, height: 1080 },
    ];
    for (const size of sizes) {
      await page.setViewport(size);
      await page.reload({ waitUntil: 'load' });
      const overflow = await page.evaluate(() => document.documentElement.scrollWidth - window.innerWidth);
      if (overflow > 0) fail('the page at ' + size.width + 'x' + size.height + ' scrolls sideways by ' + overflow + ' px');
      // A state and a return time are read at a glance: never broken over two lines.
      const broken = await page.$$eval('#s0 .f3, #s0 .f4', (tds) => tds.filter((td) => {
        const range = document.createRange();
        range.selectNodeContents(td);
        return new Set(Array.from(range.getClientRects(), (r) => Math.round(r.top))).size > 1;
      }).map((td) => td.textContent));
      if (broken.length) fail('at ' + size.width + 'x' + size.height + ' these break over lines: ' + broken.join());
      await page.screenshot({ path: path.join(shots, 'board-' + size.name + '-' + size.width + 'x' + size.height + '.png') });
    }
    if (pageErrors.length) fail('the pages logged errors:\n' + pageErrors.join('\n'));
    console.log('web scenario: passed; a set row showed after ' + liveMs + ' ms; the reception\'s type ' + receptionFont + ' px');
  } finally {
    await browser.close();
    server.kill('SIGTERM');
    fs.rmSync(work, { recursive: true, force: true });
  }
}

main().catch((e) => {
  console.error('FAIL: ' + e.message);
  if (pageErrors.length) console.error('the pages logged:\n' + pageErrors.join('\n'));
  process.exit(1);
});
