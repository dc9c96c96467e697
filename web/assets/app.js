// The board page's live part: find, sort, the rows pushed by the server, and a member's own row.
// The page reads without it; everything here only adds.
'use strict';
(function () {
  const body = document.body;
  const table = document.getElementById('board');
  const token = body.dataset.token || '';
  const ownSlot = Number(body.dataset.ownSlot);
  const editAny = body.dataset.editAny === '1';
  // The four states, the one that asks for a return time, and the row's flags (each a class of its
  // row), as the server words them.
  let words = { states: [], returning: -1, flags: ['overdue', 'stale'] };
  try { words = JSON.parse(document.getElementById('words').textContent); } catch (e) { /* icons stay plain */ }
  const States = words.states;
  const Returning = States[words.returning];
  const Keys = ['name', 'morning', 'afternoon', 'returnTime', 'state', 'writtenAt'];

  // The rows as they change, from the server's event stream, given to onRows. The stream is opened
  // again after any error (a restart, a proxy's 502), waiting longer each time up to 30 s; after 5 s
  // without it the page says that what it shows may be old, until it is back.
  let generation = body.dataset.generation;
  function liveStream(anchor, onRows) {
    const age = document.getElementById('age');
    const ageSince = document.getElementById('age-since');
    const offline = document.createElement('p');
    offline.id = 'offline';
    offline.className = 'age';
    offline.setAttribute('role', 'alert');
    offline.hidden = true;
    offline.textContent = '最新の状態を取得できていません。再接続しています…';
    anchor.parentNode.insertBefore(offline, anchor);
    let downSince = Date.now();
    let retryMs = 1000;
    setInterval(() => { offline.hidden = downSince === 0 || Date.now() - downSince < 5000; }, 500);
    function connect() {
      const base = token ? '/m/' + token + '/events' : '/api/events';
      const events = new EventSource(base + '?since=' + encodeURIComponent(generation));
      events.addEventListener('open', () => {
        downSince = 0;
        retryMs = 1000;
        offline.hidden = true;
      });
      events.addEventListener('error', () => {
        events.close();
        if (downSince === 0) downSince = Date.now();
        setTimeout(connect, retryMs);
        retryMs = Math.min(retryMs * 2, 30000);
      });
      events.addEventListener('rows', (ev) => {
        generation = ev.lastEventId || generation;
        onRows(JSON.parse(ev.data));
      });
      events.addEventListener('age', (ev) => {
        const a = JSON.parse(ev.data);
        age.hidden = !a.old;
        ageSince.textContent = a.readAt;
      });
    }
    connect();
  }

  // The reception's view: every member in one screen's grid, read from across the room. Members run
  // down the columns; the script picks the column count that gives the largest type with which every
  // cell still fits, a name keeping up to ten full-width characters before it is cut.
  const grid = document.getElementById('kiosk-grid');
  if (grid) {
    const cells = Array.from(grid.children);
    const NameEm = 10;
    const LineHeight = 1.25;
    const MaxFontPx = 64;
    const ruler = document.createElement('canvas').getContext('2d');
    const family = getComputedStyle(grid).fontFamily;
    // A text's width in em in the grid's type at the given weight and relative size.
    const ems = (text, weight, size) => {
      ruler.font = weight + ' 100px ' + family;
      return (ruler.measureText(text).width / 100) * size;
    };
    // The widest state word with the return time that may follow it, and around them the icon, the
    // gaps and the padding (as style.css sets them).
    const sideEm = () => {
      const time = ems('00:00', 700, 1);
      let widest = 0;
      States.forEach((state) => {
        widest = Math.max(widest, ems(state, 700, 0.75) + (state === Returning ? 0.3 + time : 0));
      });
      return widest + 0.7 + 0.3 * 3 + 0.8;
    };
    const layout = () => {
      const n = Math.max(1, cells.length);
      const width = grid.clientWidth;
      const height = window.innerHeight - grid.getBoundingClientRect().top;
      let nameEm = 1;
      for (const c of cells) nameEm = Math.max(nameEm, Math.min(NameEm, ems(c.querySelector('.n').textContent, 600, 1)));
      const needEm = nameEm + sideEm();
      let best = { font: 0, columns: 1 };
      for (let columns = 1; columns <= n; ++columns) {
        const rowsCount = Math.ceil(n / columns);
        const font = Math.min(height / rowsCount / LineHeight, width / columns / needEm, MaxFontPx);
        if (font > best.font) best = { font, columns };
      }
      const rowsCount = Math.ceil(n / best.columns);
      grid.style.gridTemplateColumns = 'repeat(' + best.columns + ', minmax(0, 1fr))';
      grid.style.gridTemplateRows = 'repeat(' + rowsCount + ', ' + Math.floor(height / rowsCount) + 'px)';
      grid.style.fontSize = Math.floor(best.font) + 'px';
    };
    layout();
    window.addEventListener('resize', layout);
    liveStream(grid, (list) => {
      for (const row of list) {
        const cell = document.getElementById('s' + row.slot);
        if (!cell) { location.reload(); return; }
        const state = States.indexOf(row.state);
        cell.querySelector('.n').textContent = row.name;
        cell.querySelector('.icon').className = 'icon st' + state;
        cell.querySelector('.s').textContent = row.state;
        cell.querySelector('.r').textContent = row.returnTime;
        cell.className = 'k st' + state;
        for (const flag of words.flags) cell.classList.toggle(flag, !!row[flag]);
      }
      layout();
    });
    return;
  }
  if (!table) return;
  const tbody = table.tBodies[0];

  // The window's find: full-width letters, digits and signs as ASCII, ASCII letters in either case.
  let fold = {};
  try { fold = JSON.parse(document.getElementById('fold').textContent); } catch (e) { fold = {}; }
  function folded(text) {
    let out = '';
    for (const ch of text) {
      const c = fold[ch] || ch;
      out += c >= 'A' && c <= 'Z' ? c.toLowerCase() : c;
    }
    return out;
  }

  // Each row's texts as the server sent them, by slot.
  const rows = new Map();
  for (const tr of tbody.rows) {
    const cells = Array.from(tr.cells, (td) => (td.querySelector('.t') || td).textContent);
    const row = { slot: Number(tr.dataset.slot) };
    Keys.forEach((k, i) => { row[k] = cells[i]; });
    for (const flag of words.flags) row[flag] = tr.classList.contains(flag);
    rows.set(row.slot, { tr: tr, row: row });
  }

  function stateClass(state) { return 'icon st' + States.indexOf(state); }

  function render(entry) {
    const { tr, row } = entry;
    Keys.forEach((k, i) => {
      const td = tr.cells[i];
      if (i === 0) {
        td.querySelector('.t').textContent = row.name;
        td.querySelector('.icon').className = stateClass(row.state);
      } else {
        td.textContent = row[k];
      }
    });
    for (const flag of words.flags) tr.classList.toggle(flag, !!row[flag]);
  }

  // Find.
  const find = document.getElementById('find');
  function applyFind() {
    const wanted = folded(find.value);
    for (const { tr, row } of rows.values()) {
      const hay = folded(Keys.map((k) => row[k]).join('\n'));
      tr.classList.toggle('hide', wanted !== '' && !hay.includes(wanted));
    }
  }
  if (find) {
    find.hidden = false;
    find.addEventListener('input', applyFind);
  }

  // Sort by a header: texts in order, empty texts last either way, ties in the name list's order.
  let sortColumn = -1;
  let descending = false;
  function applySort() {
    const list = Array.from(rows.values());
    if (sortColumn >= 0) {
      const k = Keys[sortColumn];
      list.sort((a, b) => {
        const x = a.row[k];
        const y = b.row[k];
        if (!x !== !y) return x ? -1 : 1;
        const c = x < y ? -1 : x > y ? 1 : 0;
        return (descending ? -c : c) || a.row.slot - b.row.slot;
      });
    } else {
      list.sort((a, b) => a.row.slot - b.row.slot);
    }
    for (const e of list) tbody.appendChild(e.tr);
    for (const th of table.tHead.rows[0].cells) {
      const on = Number(th.dataset.col) === sortColumn;
      th.classList.toggle('sorted', on);
      th.classList.toggle('desc', on && descending);
      th.setAttribute('aria-sort', on ? (descending ? 'descending' : 'ascending') : 'none');
    }
  }
  // A phone shows cards without the headers: the same sort from a list.
  const sortList = document.createElement('select');
  sortList.id = 'sort';
  sortList.setAttribute('aria-label', '並べ替え');
  sortList.add(new Option('名前リスト順', '-1'));
  for (const th of table.tHead.rows[0].cells) sortList.add(new Option(th.textContent + '順', th.dataset.col));
  sortList.addEventListener('change', () => {
    sortColumn = Number(sortList.value);
    descending = false;
    applySort();
  });
  document.querySelector('.top').appendChild(sortList);
  // A header sorts by mouse and by keyboard (Tab to it, Enter or Space), and says how it sorts.
  for (const th of table.tHead.rows[0].cells) {
    th.tabIndex = 0;
    th.setAttribute('aria-sort', 'none');
    const sortBy = () => {
      const col = Number(th.dataset.col);
      if (col === sortColumn && descending) { sortColumn = -1; descending = false; }
      else if (col === sortColumn) descending = true;
      else { sortColumn = col; descending = false; }
      sortList.value = String(sortColumn);
      applySort();
    };
    th.addEventListener('click', sortBy);
    th.addEventListener('keydown', (ev) => {
      if (ev.key === 'Enter' || ev.key === ' ') { ev.preventDefault(); sortBy(); }
    });
  }

  // The editor's view of its row, once the editor is set up; a read-only page has none.
  let refreshEditor = () => {};

  // Live rows.
  liveStream(table, (list) => {
    let changed = false;
    for (const row of list) {
      const entry = rows.get(row.slot);
      if (!entry) { location.reload(); return; }
      entry.row = row;
      render(entry);
      changed = true;
    }
    if (changed) { applyFind(); if (sortColumn >= 0) applySort(); refreshEditor(); }
  });

  // A member's own row, or with --edit-any the row picked in the list.
  const editor = document.getElementById('editor');
  if (!editor || !token) return;
  editor.hidden = false;
  let target = ownSlot;
  const message = document.getElementById('editor-message');
  const morning = document.getElementById('morning');
  const afternoon = document.getElementById('afternoon');
  const returnAsk = document.getElementById('return-ask');
  const returnInput = document.getElementById('return');
  const conflict = document.getElementById('conflict');
  let pending = null;

  function say(text, error) {
    message.textContent = text;
    message.classList.toggle('error', !!error);
  }
  function current() { return rows.get(target).row; }
  refreshEditor = () => {
    if (pending) return;
    const row = current();
    document.getElementById('editor-name').textContent = row.name;
    if (document.activeElement !== morning) morning.value = row.morning;
    if (document.activeElement !== afternoon) afternoon.value = row.afternoon;
    for (const b of editor.querySelectorAll('button.state')) {
      b.classList.toggle('current', b.dataset.state === row.state);
      b.setAttribute('aria-pressed', b.dataset.state === row.state ? 'true' : 'false');
    }
  };

  // The generation each written row was answered at: newer than the page's own while its event is on the way.
  const answeredAt = new Map();
  function shownGeneration() { return Math.max(Number(generation), answeredAt.get(target) || 0); }
  // The row as it was when the member began to edit it: a save is checked against it, so a change
  // made meanwhile elsewhere is shown, not overwritten.
  let base = null;
  function begin() {
    if (!base) base = { seen: current().writtenAt, generation: shownGeneration() };
    return base;
  }
  function untouched() {
    const row = current();
    return document.activeElement !== morning && document.activeElement !== afternoon && returnAsk.hidden &&
      morning.value === row.morning && afternoon.value === row.afternoon;
  }
  async function send(fields, from) {
    const seen = from.seen;
    const seenGeneration = from.generation;
    base = null;
    pending = fields;
    say('保存しています…');
    const path = target === ownSlot ? '/api/rows/me' : '/api/rows/' + target;
    let res;
    try {
      res = await fetch(path, {
        method: 'POST',
        headers: { 'Authorization': 'Bearer ' + token, 'Content-Type': 'application/json' },
        body: JSON.stringify(Object.assign({ seenWrittenAt: seen, seenGeneration: String(seenGeneration) }, fields)),
      });
    } catch (e) {
      pending = null;
      say('サーバーに届きませんでした。もう一度お試しください。', true);
      return;
    }
    const answer = await res.json().catch(() => ({}));
    if (res.status === 200 || res.status === 409) {
      const entry = rows.get(answer.slot);
      if (entry) { entry.row = answer; render(entry); }
      answeredAt.set(answer.slot, Number(res.headers.get('X-Board-Generation')) || 0);
    }
    if (res.status === 200) {
      pending = null;
      say('保存しました。');
      refreshEditor();
    } else if (res.status === 409) {
      const theirs = answer;
      document.getElementById('conflict-row').textContent =
        [theirs.state, theirs.returnTime, theirs.morning, theirs.afternoon, theirs.writtenAt].filter((t) => t).join(' / ') || '(空)';
      conflict.hidden = false;
      document.getElementById('overwrite').focus();
      say('');
    } else {
      pending = null;
      say(answer.message || 'エラーが起きました (' + res.status + ')。ページを再読み込みしてください。', true);
    }
  }

  document.getElementById('overwrite').addEventListener('click', () => {
    conflict.hidden = true;
    const fields = pending;
    pending = null;
    send(fields, { seen: current().writtenAt, generation: shownGeneration() });
  });
  document.getElementById('keep').addEventListener('click', () => {
    conflict.hidden = true;
    pending = null;
    say('書き込みませんでした。');
    refreshEditor();
  });

  for (const b of editor.querySelectorAll('button.state')) {
    b.addEventListener('click', () => {
      const state = b.dataset.state;
      if (state === Returning) {
        returnInput.value = current().state === state ? current().returnTime : '';
        begin();
        returnAsk.hidden = false;
        returnInput.focus();
        return;
      }
      send({ state: state, returnTime: '' }, begin());
    });
  }
  document.getElementById('return-ok').addEventListener('click', () => {
    returnAsk.hidden = true;
    send({ state: Returning, returnTime: returnInput.value }, begin());
  });
  returnInput.addEventListener('keydown', (ev) => { if (ev.key === 'Enter') document.getElementById('return-ok').click(); });
  // Esc closes a prompt as its cancel would: the return time's, or the conflict's (nothing written).
  editor.addEventListener('keydown', (ev) => {
    if (ev.key !== 'Escape') return;
    if (!returnAsk.hidden) document.getElementById('return-cancel').click();
    else if (!conflict.hidden) document.getElementById('keep').click();
  });
  document.getElementById('return-cancel').addEventListener('click', () => {
    returnAsk.hidden = true;
    if (untouched()) base = null;
  });
  for (const input of [morning, afternoon]) {
    input.addEventListener('focus', begin);
    input.addEventListener('blur', () => setTimeout(() => { if (untouched()) base = null; }, 0));
  }
  document.getElementById('save').addEventListener('click', () => {
    send({ morning: morning.value, afternoon: afternoon.value }, begin());
  });

  if (editAny) {
    for (const { tr } of rows.values()) {
      tr.classList.add('editable');
      tr.tabIndex = 0;
      const pick = () => {
        if (pending) return;
        target = Number(tr.dataset.slot);
        base = null;
        say('');
        refreshEditor();
        editor.scrollIntoView({ block: 'nearest' });
      };
      tr.addEventListener('click', pick);
      tr.addEventListener('keydown', (ev) => {
        if (ev.key === 'Enter' || ev.key === ' ') { ev.preventDefault(); pick(); morning.focus(); }
      });
    }
  }
  refreshEditor();
})();
