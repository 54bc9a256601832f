// The menu of a cover disc as a web page. data.js holds the menu as zulcheck drew it: its layers
// (each a picture of a control's place, with the control's other looks) and, for every state of
// the menu, the layers on show from the lowest up. This script keeps the state as the menu keeps
// it and puts the state's layers together. Every text of the disc goes into the page as text,
// never as markup.
'use strict';

// A modal window of the page over a shade that takes the clicks beside it: `className` is the
// window's, `role` its kind (dialog or alertdialog) and `label` its accessible name. Gives the shade,
// which goes into the page, and the window in it.
function modalWindow(className, role, label) {
  const shade = document.createElement('div');
  shade.className = 'box-shade';
  const frame = document.createElement('div');
  frame.className = className;
  frame.setAttribute('role', role);
  frame.setAttribute('aria-modal', 'true');
  frame.setAttribute('aria-label', label);
  shade.appendChild(frame);
  return [shade, frame];
}

// A window of the menu's as the page shows it: a title bar of the page's own (the desktop draws
// it for the menu) above the part the menu draws.
function captionedWindow(className, role, label, title, w, h) {
  const [shade, frame] = modalWindow('viewer-frame ' + className, role, label);
  const caption = document.createElement('div');
  caption.className = 'viewer-caption';
  caption.textContent = title || '\u00a0';
  const area = document.createElement('div');
  area.className = 'setup-area';
  area.style.width = w + 'px';
  area.style.height = h + 'px';
  frame.append(caption, area);
  return [shade, frame, area];
}

// A drop-down list laid over a drawn one: its options are the names, by their index, as text.
function fillChoice(list, names, label) {
  list.className = 'language-choice';
  list.setAttribute('aria-label', label);
  names.forEach((name, index) => {
    const option = document.createElement('option');
    option.value = String(index);
    option.textContent = name;
    list.appendChild(option);
  });
  return list;
}

// The menu of one language, from its data.
function startMenu(site) {
  const menu = document.getElementById('menu');
  if (!site || !menu)
    return;

  // The menu's state: the tab on show, the sub-tab chosen last in each tab, the row chosen in
  // each list, and whether the info box stands in place of the entry's view.
  const state = { tab: 0, subs: site.tabs.map(() => 0), rows: {}, info: 0 };
  // The factor the menu is drawn at.
  let scale = 1;

  function hasSubs(tab) {
    return site.tabs[tab] && site.tabs[tab].subs.length > 0;
  }
  function sub() {
    return hasSubs(state.tab) ? state.subs[state.tab] : -1;
  }
  function entries() {
    const tab = site.tabs[state.tab];
    return sub() >= 0 ? tab.subs[sub()] : 0;
  }
  function row() {
    return state.rows[state.tab + ',' + sub()] || 0;
  }
  function setRow(value) {
    state.rows[state.tab + ',' + sub()] = value;
  }
  // Each list's pictures by the first row they show, from every state that shows the list: the
  // list keeps its first row as the reader left it, moved only to bring the chosen row into view.
  const listTops = {};
  for (const [key, scene] of Object.entries(site.scenes)) {
    const [t, s] = key.split(',');
    for (const id of scene) {
      const layer = site.layers[id];
      if (layer.rows) {
        const tops = (listTops[t + ',' + s] = listTops[t + ',' + s] || {});
        tops[layer.top] = id;
      }
    }
  }
  state.tops = {};
  function keepInView(value) {
    const key = state.tab + ',' + sub();
    const scene = site.scenes[[state.tab, sub(), value, 0].join(',')] || [];
    const list = scene.map((id) => site.layers[id]).find((layer) => layer.rows);
    const visible = list ? Math.max(1, list.visible) : 1;
    const top = state.tops[key] || 0;
    if (value < top)
      state.tops[key] = value;
    else if (value >= top + visible)
      state.tops[key] = value - visible + 1;
  }

  // A row chosen in a software list sounds as the menu's list does.
  function selectRow(value) {
    setRow(value);
    keepInView(value);
    if (!site.tabs[state.tab].music)
      play('select');
  }
  function sceneKey() {
    // A music tab while a track plays or is paused: its panel's playing look.
    const info = site.tabs[state.tab] && site.tabs[state.tab].music && music.track ? 2 : state.info;
    return [state.tab, sub(), sub() >= 0 ? row() : 0, info].join(',');
  }

  // The music tabs' player: the selected track plays; the play button then pauses and resumes it,
  // stop ends it, previous and next move to the neighbouring track (playing it while music plays),
  // and two seconds after a track's end the next one follows, up to the last. The strip shows the
  // track and its remaining time.
  const kAdvanceMs = 2000;
  const music = { track: null, paused: false, advance: 0, audio: document.createElement('audio') };
  music.audio.id = 'music';
  document.body.appendChild(music.audio);

  function trackAt(place) {
    const tab = site.tabs[place.t];
    const tracks = tab && tab.tracks ? tab.tracks[place.s] : null;
    return tracks ? tracks[place.r] : null;
  }
  function startTrack(place) {
    clearTimeout(music.advance);
    const track = trackAt(place);
    if (!track) {
      stopMusic();
      return;
    }
    // A track takes the background music's place until a software tab is chosen again.
    if (settings.music) {
      stopLoop();
      settings.playerMusic = true;
    }
    music.track = place;
    music.paused = false;
    music.audio.src = track.src;
    music.audio.play().catch(() => {});
  }
  function stopMusic() {
    clearTimeout(music.advance);
    music.track = null;
    music.paused = false;
    music.audio.pause();
    music.audio.removeAttribute('src');
    music.audio.load();
  }
  function trackCount(place) {
    return site.tabs[place.t].subs[place.s] || 0;
  }
  function moveTrack(step) {
    const place = music.track;
    const target = place.r + step;
    if (target < 0 || target >= trackCount(place))
      return;
    state.rows[place.t + ',' + place.s] = target;
    if (place.t === state.tab && place.s === sub())
      keepInView(target);
    startTrack({ t: place.t, s: place.s, r: target });
  }
  music.audio.addEventListener('ended', () => {
    const place = music.track;
    if (!place)
      return;
    music.advance = setTimeout(() => {
      if (place.r + 1 >= trackCount(place))
        stopMusic();
      else
        moveTrack(1);
      show();
    }, kAdvanceMs);
  });
  function stripText() {
    const track = music.track && trackAt(music.track);
    if (!track)
      return '';
    const left = Math.max(0, Math.floor((music.audio.duration || 0) - music.audio.currentTime));
    const seconds = left % 60;
    return track.title.slice(0, 8) + ' ' + Math.floor(left / 60) + (seconds < 10 ? ':0' : ':') + seconds;
  }
  music.audio.addEventListener('timeupdate', () => {
    const text = menu.querySelector('.strip-text');
    if (text)
      text.textContent = stripText();
  });
  // The strip's text in the menu's own pixels: the track's strip drawn with the time 0:00, and
  // over it the minutes' and the seconds' columns cut from the strip drawn with their values. The
  // real text stays over it, invisible; for a time the exporter drew no pictures for, it shows.
  function drawStripTime(element) {
    const track = music.track && trackAt(music.track);
    const text = stripText();
    const time = text.slice(text.lastIndexOf(' ') + 1).split(':');
    const digits = track && track.strip && time.length === 2 ? track.strip[time[0].length - 1] : null;
    const label = element.querySelector('.strip-text');
    let pixels = element.querySelector('.strip-pixels');
    if (!digits) {
      if (pixels)
        pixels.remove();
      label.classList.remove('drawn');
      label.style.color = site.strip.colour;
      return;
    }
    const height = site.strip.h;
    const parts = [[0, site.strip.w, 0], digits.minutes, digits.seconds];
    if (!pixels || pixels.dataset.img !== digits.img) {
      pixels = pixels || element.insertBefore(document.createElement('div'), label);
      pixels.className = 'strip-pixels';
      pixels.dataset.img = digits.img;
      pixels.replaceChildren(...parts.map(([left, right]) => {
        const part = document.createElement('div');
        part.className = 'strip-digit';
        part.style.left = left + 'px';
        part.style.width = (right - left) + 'px';
        part.style.height = height + 'px';
        part.appendChild(picture(digits.img));
        return part;
      }));
    }
    // Value v of a part lies at ((v % 10) * its width, its top + (v / 10) * the strip's height).
    [0, +time[0], +time[1]].forEach((value, i) => {
      const [left, right, top] = parts[i];
      const img = pixels.children[i].firstChild;
      img.style.left = -(i ? (value % 10) * (right - left) : 0) + 'px';
      img.style.top = -(i ? top + Math.floor(value / 10) * height : 0) + 'px';
    });
    label.classList.add('drawn');
    label.style.color = 'transparent';
  }
  music.audio.addEventListener('timeupdate', () => {
    const strip = menu.querySelector('.layer.strip');
    if (strip)
      drawStripTime(strip);
  });

  // The menu's event sounds, one at a time: a new one replaces the one playing. Browsers let a page
  // play sound only once the reader has clicked, which every event sound follows.
  const sound = document.createElement('audio');
  sound.id = 'sound';
  document.body.appendChild(sound);
  // The sound settings the options window changes: event sounds (on at the start), the looping
  // background music (off at the start) and the file it loops, and whether a music tab's track has
  // taken the background music's place.
  const settings = { sounds: true, music: false, index: 0, playerMusic: false };
  const loop = document.createElement('audio');
  loop.id = 'background-music';
  loop.loop = true;
  document.body.appendChild(loop);
  function startLoop() {
    const files = site.options && site.options.backgroundMusic;
    const file = files && files[settings.index];
    if (!file)
      return;
    settings.music = true;
    loop.src = file;
    loop.play().catch(() => {});
  }
  function stopLoop() {
    settings.music = false;
    loop.pause();
  }
  function applyOptions(look, index) {
    settings.sounds = look === 0;
    if (settings.sounds)
      stopLoop();
    settings.playerMusic = false;
    if (index !== settings.index) {
      settings.index = index;
      stopLoop();
    }
    if (look === 2) {
      if (!settings.music)
        startLoop();
    } else {
      stopLoop();
    }
  }

  function play(event) {
    const file = site.sounds && site.sounds[event];
    if (!file || !settings.sounds)
      return;
    sound.src = file;
    sound.play().catch(() => {});
  }

  // What a click on a layer does, by the role of its control.
  const actions = {
    tab(index) {
      if (index !== state.tab)
        play('tab');
      state.tab = index;
      state.info = 0;
      // Back on a software tab with nothing playing, the background music comes back.
      if (!site.tabs[index].music && !music.track && settings.playerMusic && !settings.sounds) {
        settings.playerMusic = false;
        startLoop();
      }
    },
    sub(index) {
      state.subs[state.tab] = index;
      state.info = 0;
    },
    prev() {
      if (site.tabs[state.tab].music && music.track)
        moveTrack(-1);
      else if (row() > 0)
        selectRow(row() - 1);
    },
    next() {
      if (site.tabs[state.tab].music && music.track)
        moveTrack(1);
      else if (row() + 1 < entries())
        selectRow(row() + 1);
    },
    play() {
      if (!music.track) {
        if (sub() >= 0)
          startTrack({ t: state.tab, s: sub(), r: row() });
      } else if (!music.paused) {
        music.paused = true;
        music.audio.pause();
      } else {
        music.paused = false;
        music.audio.play().catch(() => {});
      }
    },
    stop() {
      stopMusic();
    },
    entry() {
      const tab = site.tabs[state.tab];
      if (tab.full && !tab.music && entries() > 0)
        state.info = state.info ? 0 : 1;
    },
  };

  // The picture viewer: the entry's full-size pictures one at a time, over the menu. A click, Enter,
  // Space or Page Down goes on (closing after the last), Page Up goes back, Home and End go to the
  // first and last, a right click or Esc closes; keys act on release, as in the menu.
  const viewer = { list: [], index: 0, element: null, returnTo: null };

  function entryPictures() {
    const tab = site.tabs[state.tab];
    const rows = tab && tab.pictures && sub() >= 0 ? tab.pictures[sub()] : null;
    const ids = rows && rows[row()] ? rows[row()] : [];
    return ids.map((id) => site.pictures[id]);
  }

  function closeViewer() {
    if (!viewer.element)
      return;
    viewer.element.remove();
    viewer.element = null;
    if (viewer.returnTo)
      viewer.returnTo.focus();
  }

  function showViewerPicture(index) {
    const shown = viewer.list[index];
    if (!shown || shown.error)
      return;
    viewer.index = index;
    play('picture');
    const element = viewer.element;
    const caption = shown.caption + ' (' + (index + 1) + '/' + viewer.list.length + ')';
    element.setAttribute('aria-label', caption);
    element.querySelector('.viewer-caption').textContent = caption;
    const img = element.querySelector('.viewer-picture');
    img.src = shown.img;
    img.alt = caption;
    img.style.width = shown.w * scale + 'px';
    img.style.height = shown.h * scale + 'px';
  }

  function viewerStep(index) {
    if (index >= viewer.list.length)
      closeViewer();
    else if (index >= 0 && index !== viewer.index)
      showViewerPicture(index);
  }

  function openViewer(list, start) {
    closeViewer();
    viewer.list = list;
    viewer.index = -1;
    viewer.returnTo = document.activeElement;
    const element = document.createElement('div');
    element.id = 'viewer';
    element.setAttribute('role', 'dialog');
    element.setAttribute('aria-modal', 'true');
    element.tabIndex = -1;
    const frame = document.createElement('div');
    frame.className = 'viewer-frame';
    const caption = document.createElement('div');
    caption.className = 'viewer-caption';
    const img = document.createElement('img');
    img.className = 'viewer-picture';
    img.draggable = false;
    img.addEventListener('click', () => viewerStep(viewer.index + 1));
    frame.append(caption, img);
    element.appendChild(frame);
    element.addEventListener('contextmenu', (event) => {
      event.preventDefault();
      closeViewer();
    });
    element.addEventListener('keydown', (event) => event.preventDefault());
    element.addEventListener('keyup', (event) => {
      const last = viewer.list.length - 1;
      switch (event.key) {
      case 'Enter': case ' ': case 'PageDown': viewerStep(viewer.index + 1); break;
      case 'PageUp': viewerStep(viewer.index - 1); break;
      case 'Home': viewerStep(0); break;
      case 'End': viewerStep(last); break;
      case 'Escape': closeViewer(); break;
      default: return;
      }
      event.preventDefault();
    });
    document.body.appendChild(element);
    viewer.element = element;
    showViewerPicture(start);
    if (viewer.index < 0) {
      closeViewer();
      return;
    }
    element.focus();
  }

  actions.picture = (which) => {
    const list = entryPictures();
    if (list.length > 0)
      openViewer(list, which < list.length ? which : 0);
  };

  // A box of the page's own, where the page must say something the menu shows no box for: a
  // caption, a text and its buttons; Enter answers with the first button, Esc with the last.
  // `answer` gets the index of the button chosen.
  function messageBox(caption, text, buttons, answer) {
    const returnTo = document.activeElement;
    const [element, box] = modalWindow('box', 'alertdialog', caption);
    const title = document.createElement('div');
    title.className = 'box-caption';
    title.textContent = caption;
    const body = document.createElement('p');
    body.className = 'box-text';
    body.textContent = text;
    const row = document.createElement('div');
    row.className = 'box-buttons';
    const close = (index) => {
      element.remove();
      if (returnTo)
        returnTo.focus();
      answer(index);
    };
    buttons.forEach((name, index) => {
      const button = document.createElement('button');
      button.type = 'button';
      button.textContent = name;
      button.addEventListener('click', () => close(index));
      row.appendChild(button);
    });
    box.addEventListener('keydown', (event) => {
      if (event.key === 'Escape') {
        event.preventDefault();
        close(buttons.length - 1);
      }
    });
    box.append(title, body, row);
    document.body.appendChild(element);
    row.firstChild.focus();
  }

  // A box of the menu's as the menu's own box draws it: its picture as it opens, a real button laid
  // invisibly over each drawn one (with the drawn hovered and pressed looks under the mouse) and
  // its text, invisible, over its pixels; the title bar is the page's own. The keys are the box's:
  // Tab and Shift+Tab move the focus around its buttons, drawn as the box draws it, Enter and Space
  // press the focused one, a button's letter presses it and Esc answers as the box does. `answer`
  // gets the index of the button chosen; the focus then returns where it was.
  function drawnBox(drawn, answer) {
    const returnTo = document.activeElement;
    const [element, frame, area] =
      captionedWindow('drawn-box', 'alertdialog', drawn.title, drawn.title, drawn.w, drawn.h);
    frame.style.transformOrigin = '0 0';
    const img = picture(drawn.opened);
    const text = document.createElement('span');
    text.className = 'text box-message';
    text.id = 'box-message';
    text.textContent = drawn.text;
    const [tx, ty, tw, th] = drawn.textPlace;
    place(text, { x: tx, y: ty, w: tw, h: th });
    frame.setAttribute('aria-describedby', text.id);
    area.append(img, text);
    let done = false;
    const close = (index) => {
      if (done)
        return;
      done = true;
      element.remove();
      window.removeEventListener('resize', centre);
      // The menu is drawn anew after each click: the control the focus came from may be a new one.
      let back = returnTo;
      if (back && !back.isConnected && back.dataset && back.dataset.role)
        back = [...menu.querySelectorAll('[data-role]')].find((e) =>
          e.dataset.role === returnTo.dataset.role && e.dataset.index === returnTo.dataset.index);
      if (back)
        back.focus();
      answer(index);
    };
    const controls = drawn.buttons.map((button, index) => {
      const control = document.createElement('button');
      control.type = 'button';
      control.className = 'box-button';
      control.dataset.index = String(index);
      control.setAttribute('aria-label', button.name);
      const [x, y, w, h] = button.place;
      place(control, { x, y, w, h });
      control.append(picture(button.over, 'over'), picture(button.down, 'down'));
      control.addEventListener('click', () => close(index));
      // Once Tab has moved the focus, the focused button is drawn as the box draws it then.
      control.addEventListener('focus', () => {
        if (element.dataset.keyed)
          img.src = button.focused;
      });
      area.appendChild(control);
      return control;
    });
    frame.addEventListener('keydown', (event) => {
      if (event.ctrlKey || event.metaKey)
        return;
      const at = controls.indexOf(document.activeElement);
      if (event.key === 'Tab') {
        element.dataset.keyed = '1';
        const last = controls.length - 1;
        if (at < 0)
          controls[event.shiftKey ? last : 0].focus();
        else
          controls[(at + (event.shiftKey ? last : 1)) % controls.length].focus();
      } else if (event.key === 'Escape') {
        close(drawn.escape);
      } else if (event.key.length === 1 && event.key !== ' ') {
        const index = drawn.buttons.findIndex((button) => button.key && button.key === event.key.toUpperCase());
        if (index < 0)
          return;
        close(index);
      } else {
        return;
      }
      event.preventDefault();
    });
    // A click beside the buttons keeps the focus in the box.
    frame.tabIndex = -1;
    element.addEventListener('mousedown', (event) => {
      if (event.target === element)
        event.preventDefault();
    });
    document.body.appendChild(element);
    // Centred at whole pixels (at the menu's factor), so that the drawn box keeps its pixels square.
    const centre = () => {
      frame.style.transform = scale !== 1 ? 'scale(' + scale + ')' : '';
      frame.style.left = Math.max(0, Math.floor((window.innerWidth - frame.offsetWidth * scale) / 2)) + 'px';
      frame.style.top = Math.max(0, Math.floor((window.innerHeight - frame.offsetHeight * scale) / 2)) + 'px';
    };
    centre();
    window.addEventListener('resize', centre);
    controls[0].focus();
  }

  // Opens what a link or setup names: a web address in a new tab, a file of the disc from the
  // site's copy (a document in a new tab, anything else downloaded).
  function openAddress(href, download) {
    const a = document.createElement('a');
    a.href = href;
    a.target = '_blank';
    a.rel = 'noopener noreferrer';
    if (download)
      a.download = '';
    a.click();
  }

  // The menu asks before it opens a link, in its own box; only a Yes opens it.
  actions.link = (index) => {
    const link = site.links[index];
    const drawn = link && site.boxes[link.box];
    if (!drawn)
      return;
    drawnBox(drawn, (answer) => {
      if (drawn.buttons[answer].answer !== 'yes')
        return;
      play('link');
      if (link.href)
        openAddress(link.href, false);
    });
  };

  function entrySetups() {
    const tab = site.tabs[state.tab];
    const rows = tab && tab.setups && sub() >= 0 ? tab.setups[sub()] : null;
    const ids = rows && rows[row()] ? rows[row()] : [];
    return ids.map((id) => site.setups[id]);
  }

  function runSetup(setup) {
    if (setup.href)
      openAddress(setup.href, !setup.document);
    else
      messageBox(site.title || '', 'On the disc: ' + setup.path, ['OK'], () => {});
  }

  // The setup window of an entry with several setups, as the menu draws it with each row chosen.
  function openSetupWindow(setups, drawn) {
    const returnTo = document.activeElement;
    let chosen = 0;
    const [element, frame, area] = captionedWindow('setup-window', 'dialog', drawn.title || site.title || 'Setup',
                                                   drawn.title, drawn.w, drawn.h);
    const img = picture(drawn.pictures[0]);
    area.appendChild(img);
    const close = () => {
      element.remove();
      if (returnTo)
        returnTo.focus();
    };
    const choose = (index) => {
      chosen = index;
      img.src = drawn.pictures[index];
      for (const option of area.querySelectorAll('.row'))
        option.setAttribute('aria-selected', String(option.dataset.row === String(index)));
    };
    const control = (rect, className) => {
      const button = document.createElement('button');
      button.type = 'button';
      button.className = className;
      place(button, { x: rect[0], y: rect[1], w: rect[2], h: rect[3] });
      area.appendChild(button);
      return button;
    };
    drawn.rows.forEach((rect, index) => {
      const option = control(rect, 'row');
      option.dataset.row = String(index);
      option.setAttribute('role', 'option');
      option.setAttribute('aria-selected', String(index === 0));
      option.textContent = setups[index].path + ' ' + setups[index].description;
      option.addEventListener('click', () => choose(index));
      option.addEventListener('dblclick', () => runSetup(setups[chosen]));
    });
    const run = control(drawn.run, 'text');
    run.setAttribute('aria-label', site.setupNames.run || 'Run');
    run.dataset.role = 'run';
    run.addEventListener('click', () => runSetup(setups[chosen]));
    const closeButton = control(drawn.close, 'text');
    closeButton.setAttribute('aria-label', site.setupNames.close || 'Close');
    closeButton.dataset.role = 'close-setup';
    closeButton.addEventListener('click', close);
    frame.addEventListener('keydown', (event) => {
      if (event.key === 'Escape')
        close();
      else if (event.key === 'ArrowDown' && chosen + 1 < drawn.rows.length)
        choose(chosen + 1);
      else if (event.key === 'ArrowUp' && chosen > 0)
        choose(chosen - 1);
      else
        return;
      event.preventDefault();
    });
    document.body.appendChild(element);
    run.focus();
  }

  // The options window, as the menu draws it in each look its check boxes and music list give it:
  // event sounds on or off, and the background music, which takes their place, on or off with the
  // file it loops. OK applies the choice as the menu does; Cancel and the close button leave it.
  actions.options = () => {
    play('options');
    const drawn = site.options;
    if (!drawn || !drawn.looks)
      return;
    const returnTo = document.activeElement;
    // The window's working copy: its look (0 event sounds on, 1 both off, 2 music on) and the file.
    let look = settings.music ? 2 : settings.sounds ? 0 : 1;
    let index = settings.index;
    const [element, area] = modalWindow('setup-area options-window', 'dialog', 'Options');
    area.style.width = drawn.w + 'px';
    area.style.height = drawn.h + 'px';
    area.style.transform = 'scale(' + scale + ')';
    const img = picture('');
    area.appendChild(img);
    const rect = (r) => ({ x: r[0], y: r[1], w: r[2], h: r[3] });
    const sound = document.createElement('button');
    const music = document.createElement('button');
    const list = document.createElement('select');
    function redraw() {
      const pictures = drawn.looks[look];
      img.src = pictures[Math.min(index, pictures.length - 1)];
      sound.disabled = look === 2;
      sound.setAttribute('aria-pressed', String(look !== 0));
      music.disabled = drawn.looks.length < 3 || look === 0;
      music.setAttribute('aria-pressed', String(look !== 2));
      list.disabled = look !== 2;
      list.value = String(index);
    }
    sound.type = 'button';
    sound.className = 'text';
    sound.setAttribute('aria-label', drawn.soundName);
    place(sound, rect(drawn.sound));
    sound.addEventListener('click', () => {
      look = look === 0 ? 1 : 0;
      redraw();
    });
    music.type = 'button';
    music.className = 'text';
    music.setAttribute('aria-label', drawn.musicName);
    place(music, rect(drawn.music));
    music.addEventListener('click', () => {
      look = look === 2 ? 1 : 2;
      redraw();
    });
    fillChoice(list, drawn.names, 'Background music');
    place(list, rect(drawn.list));
    list.style.position = 'absolute';
    list.addEventListener('change', () => {
      index = Number(list.value);
      redraw();
    });
    area.append(sound, music, list);
    const wallpaperChoice = wallpaperOptions(area, rect);
    const close = () => {
      element.remove();
      if (returnTo)
        returnTo.focus();
    };
    drawn.buttons.forEach((button, i) => {
      const control = document.createElement('button');
      control.type = 'button';
      control.className = 'pressable';
      control.dataset.role = ['options-ok', 'options-cancel', 'options-close'][i];
      control.setAttribute('aria-label', button.name);
      place(control, rect(button.place));
      control.appendChild(picture(button.down, 'down'));
      control.addEventListener('click', () => {
        // OK and Cancel sound as the menu's do, by the settings as they stood; the close button is silent.
        if (i < 2)
          play(i === 0 ? 'ok' : 'cancel');
        if (i === 0) {
          applyOptions(look, index);
          wallpaperChoice.apply();
        }
        close();
      });
      area.appendChild(control);
    });
    area.addEventListener('keydown', (event) => {
      if (event.key === 'Escape') {
        event.preventDefault();
        close();
      }
    });
    redraw();
    document.body.appendChild(element);
    area.querySelector('.pressable').focus();
  };

  // The setup button: the entry's only setup is opened, several are listed in the setup window.
  actions.setup = () => {
    play('setup');
    const setups = entrySetups();
    if (setups.length === 1)
      runSetup(setups[0]);
    else if (setups.length > 1 && site.setupWindows[sceneKey().replace(/,1$/, ',0')])
      openSetupWindow(setups, site.setupWindows[sceneKey().replace(/,1$/, ',0')]);
  };

  function picture(file, className) {
    const img = document.createElement('img');
    img.src = file;
    img.alt = '';
    img.draggable = false;
    if (className)
      img.className = className;
    return img;
  }

  function place(element, layer) {
    element.style.left = layer.x + 'px';
    element.style.top = layer.y + 'px';
    element.style.width = layer.w + 'px';
    element.style.height = layer.h + 'px';
  }

  function buttonName(layer) {
    if (layer.name)
      return layer.name;
    switch (layer.role) {
    case 'tab': return 'Tab ' + (layer.index + 1);
    case 'sub': return 'Section ' + (layer.index + 1);
    case 'prev': return 'Previous';
    case 'next': return 'Next';
    case 'min': return 'Minimise';
    case 'close': return 'Close';
    case 'setup': return 'Setup';
    case 'options': return 'Options';
    case 'play': return 'Play or pause';
    case 'entry': return 'Details';
    case 'picture': return 'Picture ' + (layer.index + 1);
    case 'stop': return 'Stop';
    case 'link': return site.links[layer.index] ? site.links[layer.index].text : 'Link';
    default: return 'Button';
    }
  }

  function act(role, index) {
    const action = actions[role];
    if (!action)
      return;
    action(index);
    show();
  }

  function listLayer(layer) {
    const element = document.createElement('div');
    element.className = 'layer';
    element.setAttribute('role', 'listbox');
    // The wheel moves the chosen row, a row a notch, as the list's own wheel does.
    // Up and Down move the chosen row as the list's own keys do.
    element.addEventListener('keydown', (event) => {
      if (event.key === 'ArrowDown' || event.key === 'ArrowUp') {
        event.preventDefault();
        act(event.key === 'ArrowDown' ? 'next' : 'prev');
        const chosen = menu.querySelector('.row[aria-selected="true"]');
        if (chosen)
          chosen.focus();
      }
    });
    element.addEventListener('wheel', (event) => {
      event.preventDefault();
      if (event.deltaY !== 0)
        act(event.deltaY > 0 ? 'next' : 'prev');
    }, { passive: false });
    element.appendChild(picture(layer.img));
    const chosen = row();
    for (const [index, x, y, w, h, text] of layer.rows) {
      if (index === chosen) {
        const selection = document.createElement('div');
        selection.className = 'selection';
        place(selection, { x, y, w, h });
        const cut = picture(layer.sel);
        cut.style.left = -x + 'px';
        cut.style.top = -y + 'px';
        selection.appendChild(cut);
        element.appendChild(selection);
      }
      const option = document.createElement('div');
      option.className = 'row';
      option.setAttribute('role', 'option');
      option.setAttribute('aria-selected', String(index === chosen));
      option.tabIndex = index === chosen ? 0 : -1;
      place(option, { x, y, w, h });
      option.dataset.row = String(index);
      option.textContent = text;
      option.addEventListener('click', () => {
        selectRow(index);
        show();
      });
      element.appendChild(option);
    }
    return element;
  }

  function makeLayer(layer) {
    if (layer.rows)
      return listLayer(layer);
    let element;
    if (layer.button) {
      element = document.createElement('button');
      element.type = 'button';
      element.setAttribute('aria-label', buttonName(layer));
      element.appendChild(picture(layer.img));
      if (layer.over)
        element.appendChild(picture(layer.over, 'over'));
      if (layer.down)
        element.appendChild(picture(layer.down, 'down'));
    } else {
      element = document.createElement('div');
      element.appendChild(picture(layer.img));
    }
    element.className = 'layer';
    if (layer.text !== undefined) {
      const text = document.createElement('span');
      text.className = 'text';
      text.textContent = layer.text;
      element.appendChild(text);
    }
    if (layer.role) {
      element.dataset.role = layer.role;
      if (layer.index !== undefined)
        element.dataset.index = String(layer.index);
    }
    if (layer.role)
      element.addEventListener('click', () => act(layer.role, layer.index));
    if (layer.role && !layer.button && layer.role !== 'min' && layer.role !== 'close') {
      // A picture or text that answers a click is a control too: named, and reached by the keyboard.
      element.setAttribute('role', 'button');
      element.tabIndex = 0;
      element.setAttribute('aria-label', layer.text !== undefined ? layer.text : buttonName(layer));
      element.addEventListener('keydown', (event) => {
        if (event.key === 'Enter' || event.key === ' ') {
          event.preventDefault();
          act(layer.role, layer.index);
        }
      });
    }
    if (layer.role === 'link' || layer.role === 'picture')
      element.style.cursor = linkCursor;
    return element;
  }

  // The banners: each shows one of its advertisements, changed at random as often as the disc says.
  const banners = (site.banners || []).map((banner) => ({ shown: banner.shown, element: null }));

  // A layer as it is on show: a banner's is the picture of its current advertisement.
  function layerElement(layer) {
    let shown = layer;
    if (layer.rows) {
      // The list as it shows from the first row kept for it.
      const tops = listTops[state.tab + ',' + sub()];
      const kept = tops && tops[state.tops[state.tab + ',' + sub()] || 0];
      if (kept !== undefined)
        shown = site.layers[kept];
    }
    if (layer.banner !== undefined) {
      const ad = site.banners[layer.banner].ads[banners[layer.banner].shown];
      if (ad && ad.img)
        shown = ad;
    }
    const element = makeLayer(shown);
    place(element, shown);
    if (layer.banner !== undefined)
      banners[layer.banner].element = element;
    return element;
  }

  (site.banners || []).forEach((banner, index) => {
    const usable = banner.ads.map((ad, i) => (ad && ad.img ? i : -1)).filter((i) => i >= 0);
    if (banner.interval <= 0 || usable.length === 0)
      return;
    setInterval(() => {
      // The same advertisement may come twice in a row, as in the menu.
      banners[index].shown = usable[Math.floor(Math.random() * usable.length)];
      const old = banners[index].element;
      const ad = banner.ads[banners[index].shown];
      if (old && old.isConnected) {
        const element = makeLayer(ad);
        place(element, ad);
        old.replaceWith(element);
        banners[index].element = element;
      }
    }, banner.interval);
  });

  function show() {
    const scene = site.scenes[sceneKey()];
    if (!scene)
      return;
    const focused = document.activeElement && document.activeElement.getAttribute('aria-label');
    const layers = scene.map((id) => layerElement(site.layers[id]));
    const strip = site.strip;
    if (music.track && strip && site.tabs[state.tab].music) {
      const element = document.createElement('div');
      element.className = 'layer strip';
      place(element, strip);
      element.appendChild(picture(strip.img));
      const text = document.createElement('span');
      text.className = 'strip-text';
      text.style.top = strip.textTop + 'px';
      text.style.color = strip.colour;
      text.textContent = stripText();
      element.appendChild(text);
      drawStripTime(element);
      layers.push(element);
    }
    menu.replaceChildren(...layers);
    menu.dataset.state = sceneKey();
    if (focused) {
      for (const button of menu.querySelectorAll('button'))
        if (button.getAttribute('aria-label') === focused)
          button.focus();
    }
  }

  // At whole factors on a window large enough, pixels kept square; shrunk to fit on a smaller one.
  function fit() {
    const factor = Math.min(window.innerWidth / site.width, window.innerHeight / site.height);
    scale = factor >= 1 ? Math.floor(factor) : factor;
    const left = Math.max(0, Math.floor((window.innerWidth - site.width * scale) / 2));
    const top = Math.max(0, Math.floor((window.innerHeight - site.height * scale) / 2));
    menu.style.width = site.width + 'px';
    menu.style.height = site.height + 'px';
    menu.style.transform = 'translate(' + left + 'px, ' + top + 'px) scale(' + scale + ')';
  }

  // The disc's cursors: its main one over the menu, its link one over links and thumbnails.
  function cursor(which, fallback) {
    const c = site.cursors && site.cursors[which];
    return c ? 'url("' + c.img + '") ' + c.x + ' ' + c.y + ', ' + fallback : fallback;
  }
  menu.style.cursor = cursor('main', 'default');
  const linkCursor = cursor('link', 'pointer');

  // The search box: finds entries by name and description across all tabs; the one chosen is
  // opened as its tab, sub-tab and row.
  const search = document.getElementById('search');
  const searchText = document.getElementById('search-text');
  const results = document.getElementById('search-results');
  const kMaxFound = 20;
  function find() {
    const wanted = searchText.value.trim().toLocaleLowerCase();
    const found = [];
    if (wanted) {
      site.tabs.forEach((tab, t) => (tab.find || []).forEach((entries, s) => entries.forEach(([name, about], r) => {
        if (found.length < kMaxFound && (name + '\n' + about).toLocaleLowerCase().includes(wanted))
          found.push({ t, s, r, name });
      })));
    }
    results.replaceChildren(...found.map((entry) => {
      const item = document.createElement('li');
      const button = document.createElement('button');
      button.type = 'button';
      button.textContent = entry.name;
      button.addEventListener('click', () => {
        state.tab = entry.t;
        state.subs[entry.t] = entry.s;
        state.rows[entry.t + ',' + entry.s] = entry.r;
        state.info = 0;
        keepInView(entry.r);
        show();
      });
      item.appendChild(button);
      return item;
    }));
  }
  if (search) {
    search.addEventListener('submit', (event) => {
      event.preventDefault();
      const first = results.querySelector('button');
      if (first)
        first.click();
    });
    searchText.addEventListener('input', find);
  }

  // The first number std::mt19937 draws after being seeded with `seed`: the menu's random pick of a
  // wallpaper is that number modulo the pictures of the folder.
  function mt19937First(seed) {
    const mt = new Uint32Array(398);
    mt[0] = seed >>> 0;
    for (let i = 1; i < mt.length; ++i)
      mt[i] = (Math.imul(1812433253, mt[i - 1] ^ (mt[i - 1] >>> 30)) + i) >>> 0;
    const y = (mt[0] & 0x80000000) | (mt[1] & 0x7fffffff);
    let x = mt[397] ^ (y >>> 1) ^ (y & 1 ? 0x9908b0df : 0);
    x ^= x >>> 11;
    x ^= (x << 7) & 0x9d2c5680;
    x ^= (x << 15) & 0xefc60000;
    x ^= x >>> 18;
    return x >>> 0;
  }

  // The wallpaper behind the menu, as the menu's wallpaper window shows it on a screen of the page's
  // size: a picture of the chosen folder tiled from the top-left corner over black, another one of
  // the same folder picked at random every `time` seconds (the same within one second of the clock,
  // as the menu's pick is seeded by it). The menu shows it where the disc has wallpaper folders and
  // the screen is wider than 640 pixels; the options window switches it off and on and chooses the
  // folder.
  const wallpaper = { element: null, shown: false, folder: 0, picture: null, timer: 0 };
  const wallpaperAvailable = !!(site.wallpaper && site.wallpaper.folders.length > 0 && window.innerWidth > 640);

  function drawWallpaper() {
    const element = wallpaper.element;
    const shown = wallpaper.shown && wallpaper.picture;
    element.hidden = !wallpaper.shown;
    element.style.backgroundImage = shown ? 'url("' + shown.img + '")' : 'none';
    // Its pixels as large as the menu's.
    const factor = Math.max(1, scale);
    element.style.backgroundSize = shown ? shown.w * factor + 'px ' + shown.h * factor + 'px' : 'auto';
  }
  // A picture of the folder picked at random; false when it did not load, and the one before stays.
  function showRandomWallpaper() {
    const pictures = site.wallpaper.folders[wallpaper.folder] || [];
    const second = Math.floor(Date.now() / 1000);
    const index = pictures.length > 0 ? mt19937First(second) % pictures.length : -1;
    wallpaper.element.dataset.second = String(second);
    wallpaper.element.dataset.picture = String(index);
    const loaded = index < 0 || pictures[index] !== null;
    // A folder without pictures shows black.
    if (loaded)
      wallpaper.picture = index < 0 ? null : pictures[index];
    drawWallpaper();
    return loaded;
  }
  function setWallpaperShown(on) {
    if (on === wallpaper.shown)
      return;
    wallpaper.shown = on;
    clearInterval(wallpaper.timer);
    wallpaper.timer = 0;
    if (!on) {
      drawWallpaper();
      return;
    }
    // The timer runs once a picture has shown; a time of 0 never changes it.
    if (showRandomWallpaper() && site.wallpaper.time > 0)
      wallpaper.timer = setInterval(showRandomWallpaper, Math.min(site.wallpaper.time * 1000, 2147483647));
  }
  function showWallpaperFolder(index) {
    if (index < 0 || index >= site.wallpaper.folders.length)
      return;
    wallpaper.folder = index;
    if (wallpaper.shown)
      showRandomWallpaper();
  }
  function startWallpaper() {
    if (!wallpaperAvailable)
      return;
    const element = document.createElement('div');
    element.id = 'wallpaper';
    element.setAttribute('aria-hidden', 'true');
    element.hidden = true;
    document.body.insertBefore(element, document.body.firstChild);
    wallpaper.element = element;
    window.addEventListener('resize', drawWallpaper);
    setWallpaperShown(true);
  }

  // The options window's wallpaper choices, drawn by the menu switched off and switched on with each
  // folder chosen, laid over their part of the window; offered only where the wallpaper can show.
  // Gives what OK applies: the wallpaper on or off as chosen, then the folder chosen, if another.
  function wallpaperOptions(area, rect) {
    const drawn = site.options && site.options.wallpaper;
    if (!wallpaperAvailable || !drawn)
      return { apply() {} };
    let off = !wallpaper.shown;
    let index = wallpaper.folder;
    const part = document.createElement('div');
    part.className = 'wallpaper-choices';
    place(part, rect(drawn.place));
    const img = picture('');
    part.appendChild(img);
    const check = document.createElement('button');
    check.type = 'button';
    check.className = 'text';
    check.dataset.role = 'options-wallpaper';
    check.setAttribute('aria-label', drawn.checkName);
    place(check, rect(drawn.check));
    const list = fillChoice(document.createElement('select'), drawn.names, 'Wallpaper');
    list.dataset.role = 'options-wallpaper-folder';
    place(list, rect(drawn.list));
    list.style.position = 'absolute';
    function redraw() {
      const pictures = off ? drawn.off : drawn.on;
      img.src = pictures[Math.max(0, Math.min(index, pictures.length - 1))];
      check.setAttribute('aria-pressed', String(off));
      list.disabled = off;
      list.value = String(index);
    }
    check.addEventListener('click', () => {
      off = !off;
      redraw();
    });
    list.addEventListener('change', () => {
      index = Number(list.value);
      redraw();
    });
    redraw();
    area.append(part, check, list);
    return {
      apply() {
        setWallpaperShown(!off);
        if (index !== wallpaper.folder)
          showWallpaperFolder(index);
      },
    };
  }

  // The splash, as the menu shows it at its start: the language's picture (each frame of an
  // animation in turn) in the middle of the screen, above everything; a click hides it and reaches
  // nothing beneath, and five seconds after it came it goes, stopping the event sound playing.
  const kSplashMs = 5000;
  function showSplash() {
    const drawn = site.splash;
    if (!drawn || !drawn.frames.length)
      return;
    const element = document.createElement('div');
    element.id = 'splash';
    element.setAttribute('role', 'img');
    element.setAttribute('aria-label', site.title || 'Splash');
    const factor = Math.max(1, scale);
    element.style.width = drawn.w * factor + 'px';
    element.style.height = drawn.h * factor + 'px';
    element.style.left = Math.trunc((window.innerWidth - drawn.w * factor) / 2) + 'px';
    element.style.top = Math.trunc((window.innerHeight - drawn.h * factor) / 2) + 'px';
    const frames = drawn.frames.map((file, i) => {
      const img = picture(file);
      img.style.width = drawn.w * factor + 'px';
      img.style.height = drawn.h * factor + 'px';
      img.hidden = i > 0;
      element.appendChild(img);
      return img;
    });
    let frame = 0;
    let runs = drawn.runs;
    let animation = 0;
    function next() {
      if (frame + 1 === frames.length) {
        if (runs > 0 && --runs === 0)
          return;  // the last run ends on its last frame
      }
      frames[frame].hidden = true;
      frame = (frame + 1) % frames.length;
      frames[frame].hidden = false;
      element.dataset.frame = String(frame);
      animation = setTimeout(next, drawn.delays[frame]);
    }
    element.dataset.frame = '0';
    if (frames.length > 1)
      animation = setTimeout(next, drawn.delays[0]);
    element.addEventListener('click', (event) => {
      event.stopPropagation();
      element.hidden = true;
    });
    setTimeout(() => {
      clearTimeout(animation);
      sound.pause();
      element.remove();
    }, kSplashMs);
    document.body.appendChild(element);
  }

  document.title = site.title || document.title;
  window.addEventListener('resize', fit);
  fit();
  show();
  startWallpaper();
  showSplash();
}

// The language question, as the menu asks it when its disc has several languages: the menu's own
// dialog with each language chosen in it; the chosen language's data comes from its own file.
function askLanguage(question, answer) {
  const [element, area] = modalWindow('setup-area language-question', 'dialog', question.title || 'Language');
  area.style.width = question.w + 'px';
  area.style.height = question.h + 'px';
  const img = document.createElement('img');
  img.alt = '';
  img.src = question.pictures[question.preselected];
  area.appendChild(img);
  const placeOver = (control, rect) => {
    control.style.position = 'absolute';
    control.style.left = rect[0] + 'px';
    control.style.top = rect[1] + 'px';
    control.style.width = rect[2] + 'px';
    control.style.height = rect[3] + 'px';
    area.appendChild(control);
  };
  const choice = fillChoice(document.createElement('select'), question.names, 'Language');
  choice.value = String(question.preselected);
  choice.addEventListener('change', () => {
    img.src = question.pictures[Number(choice.value)];
  });
  placeOver(choice, question.choice);
  const ok = document.createElement('button');
  ok.type = 'button';
  ok.dataset.role = 'language-ok';
  ok.setAttribute('aria-label', question.okName || 'OK');
  placeOver(ok, question.ok);
  const done = () => {
    element.remove();
    answer(Number(choice.value));
  };
  ok.addEventListener('click', done);
  area.addEventListener('keydown', (event) => {
    if (event.key === 'Enter') {
      event.preventDefault();
      done();
    }
  });
  document.body.appendChild(element);
  ok.focus();
}

(function () {
  const first = window.ZUL_SITE;
  if (!first)
    return;
  const question = first.languages;
  if (!question || question.files.length < 2) {
    startMenu(first);
    return;
  }
  askLanguage(question, (index) => {
    const file = question.files[index];
    if (file === 'data.js') {
      startMenu(first);
      return;
    }
    const script = document.createElement('script');
    script.src = file;
    script.addEventListener('load', () => startMenu(window.ZUL_SITE));
    document.body.appendChild(script);
  });
})();
