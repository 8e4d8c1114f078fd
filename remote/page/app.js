// The phone page: pairing, then one unit as the server tells it over its event
// stream. Every control shows the unit's value from the server's state and
// sends a change through the API; what the unit has comes back as an event.
// When the server is lost the page says so, tries again with growing pauses,
// and takes the full state it is sent on return; a change made meanwhile is
// not kept: its control returns to the unit's value.
import { applyTexts, browserLanguage, channelName, gainText, spokenBand, t, useLanguage } from './texts.js';
import { bandPatch, channelPatch, mergePatch, Sender } from './state.js';
import { EqualizerGraph } from './graph.js';

// This browser paired once (the token itself is an HttpOnly cookie the page never sees).
const kPairedKey = 'quenda.paired';
const kUnitKey = 'quenda.unit';
const kRetryMs = [500, 1000, 2000, 4000, 8000];
// The server ends a forgotten device's stream with this close code.
const kPolicyClose = 1008;
const kForgottenReason = 'this device was forgotten';
const kNoticeMs = 6000;
const kMinGainDb = -80;
const kMaxGainDb = 10;
const kPresetCount = 20;

const $ = id => document.getElementById(id);

const page = {
    units: [],
    unitId: null,
    state: null,
    language: null,
    socket: null,
    online: false,
    retries: 0,
    retryTimer: 0,
    retryAction: null,
    noticeTimer: 0,
    channels: [],
    shownOnce: false,
    meters: ['', ''],
};

async function request(method, path, body) {
    try {
        const response = await fetch(`/api/v1${path}`, {
            method,
            headers: body === undefined ? {} : { 'Content-Type': 'application/json' },
            body: body === undefined ? undefined : JSON.stringify(body),
            credentials: 'same-origin',
            cache: 'no-store',
        });
        const text = await response.text();
        let json = {};
        try {
            json = text ? JSON.parse(text) : {};
        } catch {
            json = {};
        }
        return { status: response.status, body: json, headers: response.headers };
    } catch {
        return { status: 0, body: {} };
    }
}

const sender = new Sender(request);

function unitPath() {
    return `/units/${encodeURIComponent(page.unitId)}`;
}

// Sign-in --------------------------------------------------------------------

function defaultDeviceName() {
    const agent = navigator.userAgent;
    if (/iPhone/.test(agent)) return 'iPhone';
    if (/iPad/.test(agent)) return 'iPad';
    if (/Android/.test(agent)) return /Mobile/.test(agent) ? 'Android phone' : 'Android tablet';
    if (navigator.maxTouchPoints > 0 && matchMedia('(max-width: 600px)').matches) return 'Phone';
    const browser = /Firefox\//.test(agent) ? 'Firefox' : /Edg\//.test(agent) ? 'Edge'
        : /Chrom(e|ium)\//.test(agent) ? 'Chrome' : /Safari\//.test(agent) ? 'Safari' : 'Browser';
    const system = /Windows/.test(agent) ? 'Windows' : /Mac OS X/.test(agent) ? 'macOS' : /Linux/.test(agent) ? 'Linux' : '';
    return system ? `${browser} on ${system}` : browser;
}

// The secret of a pairing link (http://HOST:PORT/#pair=SECRET), taken out of the address.
function takePairingSecret() {
    const match = /^#pair=([A-Za-z0-9_-]+)$/.exec(location.hash);
    if (location.hash)
        history.replaceState(null, '', location.pathname);
    return match ? match[1] : null;
}

function pairingRefusal(answer) {
    switch (answer.status) {
    case 403: return t('wrongCode');
    case 429: return t('locked', /(\d+) s/.exec(answer.body.error || '')?.[1] ?? answer.headers?.get('Retry-After') ?? 60);
    case 422: return t('badName');
    case 0: return t('noServer');
    default: return answer.body.error || String(answer.status);
    }
}

function showSignIn(why) {
    stopFollowing();
    page.state = null;
    useLanguage(browserLanguage());
    page.language = null;
    applyTexts();
    $('unit').hidden = true;
    $('banner').hidden = true;
    $('signin').hidden = false;
    $('signin-why').textContent = why || '';
    $('pair-error').textContent = '';
    if (!$('pair-name').value)
        $('pair-name').value = defaultDeviceName();
    $('pair-code').focus();
}

async function onPairSubmit(event) {
    event.preventDefault();
    const code = $('pair-code').value.trim();
    const name = $('pair-name').value.trim();
    if (!/^\d{6}$/.test(code)) {
        $('pair-error').textContent = t('codeForm');
        $('pair-code').focus();
        return;
    }
    const button = $('pair-button');
    button.disabled = true;
    button.textContent = t('pairing');
    const answer = await request('POST', '/pair', { code, name });
    button.disabled = false;
    button.textContent = t('pair');
    if (answer.status !== 200) {
        $('pair-error').textContent = pairingRefusal(answer);
        return;
    }
    $('pair-code').value = '';
    localStorage.setItem(kPairedKey, '1');
    enter();
}

// The unit -------------------------------------------------------------------

// Signed in: the units, and the chosen one's event stream; the sign-in page without a known token.
// The unit followed last time is followed at once, while the units are asked for.
async function enter() {
    const remembered = localStorage.getItem(kUnitKey);
    if (!page.socket && remembered) {
        page.unitId = remembered;
        follow();
    }
    const answer = await request('GET', '/units');
    if (answer.status === 401) {
        showSignIn(localStorage.getItem(kPairedKey) ? t('notPaired') : '');
        return;
    }
    if (answer.status !== 200) {
        stopFollowing();
        showBanner(t(page.state ? 'reconnecting' : 'noServer'));
        retryLater(enter);
        return;
    }
    localStorage.setItem(kPairedKey, '1');
    page.units = answer.body.units || [];
    showUnitView();
    if (page.units.length === 0) {
        stopFollowing();
        showBanner(t('noUnit'));
        retryLater(enter);
        return;
    }
    const chosen = page.units.some(unit => unit.id === page.unitId) ? page.unitId : page.units[0].id;
    localStorage.setItem(kUnitKey, chosen);
    fillUnitPicker(chosen);
    if (chosen !== page.unitId || !page.socket) {
        page.unitId = chosen;
        page.state = null;
        follow();
    }
}

function showUnitView() {
    $('signin').hidden = true;
    $('unit').hidden = false;
}

function fillUnitPicker(chosen) {
    const picker = $('unit-picker');
    $('unit-picker-box').hidden = page.units.length < 2;
    picker.replaceChildren(...page.units.map(unit => new Option(unit.name || unit.id, unit.id, false, unit.id === chosen)));
}

function onUnitPicked() {
    page.unitId = $('unit-picker').value;
    localStorage.setItem(kUnitKey, page.unitId);
    page.state = null;
    follow();
}

// Opens the unit's event stream; its first message is the whole state.
function follow() {
    stopFollowing();
    const scheme = location.protocol === 'https:' ? 'wss' : 'ws';
    const socket = new WebSocket(`${scheme}://${location.host}/api/v1${unitPath()}/events`);
    page.socket = socket;
    socket.addEventListener('open', () => socket.send(JSON.stringify({ meters: true })));
    socket.addEventListener('message', event => {
        if (socket === page.socket)
            onEvent(JSON.parse(event.data));
    });
    socket.addEventListener('close', event => {
        if (socket === page.socket)
            onStreamClosed(event);
    });
}

function stopFollowing() {
    clearTimeout(page.retryTimer);
    page.retryAction = null;
    const socket = page.socket;
    page.socket = null;
    setOnline(false);
    if (socket)
        socket.close();
}

function setOnline(online) {
    page.online = online;
    if (!online)
        sender.drop();
}

function onStreamClosed(event) {
    page.socket = null;
    setOnline(false);
    if (event.code === kPolicyClose) {
        showSignIn(event.reason === kForgottenReason ? t('forgotten') : t('notPaired'));
        return;
    }
    showBanner(t('reconnecting'));
    render();
    retryLater(enter);
}

// Tries again after a pause that grows up to 8 s, with some spread so that many pages do not come at once.
function retryLater(action) {
    clearTimeout(page.retryTimer);
    const pause = kRetryMs[Math.min(page.retries, kRetryMs.length - 1)] * (0.8 + Math.random() * 0.4);
    page.retries += 1;
    page.retryAction = action;
    page.retryTimer = setTimeout(() => {
        page.retryAction = null;
        action();
    }, pause);
}

// A phone that wakes up or finds its network again does not wait for the pause.
function retryNow() {
    if (!page.retryAction || document.visibilityState !== 'visible')
        return;
    const action = page.retryAction;
    clearTimeout(page.retryTimer);
    page.retryAction = null;
    action();
}

function withoutEnvelope(message) {
    const { type, unit, cause, ...rest } = message;
    return rest;
}

function onEvent(message) {
    switch (message.type) {
    case 'state':
        page.state = withoutEnvelope(message);
        page.retries = 0;
        setOnline(true);
        $('banner').hidden = true;
        render();
        break;
    case 'change':
        if (page.state) {
            page.state = mergePatch(page.state, withoutEnvelope(message));
            render();
        }
        break;
    case 'connection':
        if (page.state) {
            page.state.connected = message.connected;
            render();
        }
        break;
    case 'meters':
        showMeters(message.channels);
        break;
    default:
        break;
    }
}

function showBanner(text) {
    const banner = $('banner');
    banner.textContent = text;
    banner.hidden = false;
}

function notice(text) {
    const element = $('notice');
    element.textContent = text;
    clearTimeout(page.noticeTimer);
    page.noticeTimer = setTimeout(() => { element.textContent = ''; }, kNoticeMs);
}

// Changes ----------------------------------------------------------------------

// What a refused or lost change tells the user; the controls then show the unit's values again.
function tellAnswer(answer) {
    switch (answer.status) {
    case 200: return;
    case 0: notice(t('notSent')); break;
    case 401: showSignIn(t('notPaired')); return;
    case 409: notice(t('unitAway')); break;
    case 504: notice(t('notApplied')); break;
    default: notice(t('refused', answer.body.error || answer.status)); break;
    }
    render();
}

// A change is sent only while the page follows the unit; otherwise it is not kept.
function canSend() {
    if (page.online && page.state)
        return true;
    notice(t('notSent'));
    render();
    return false;
}

// A change that is part of a drag (a finger on a band, a slider held) keeps the
// unit's undo step open until the drag ends with a change that is not.
function patch(change, partOfDrag = false) {
    if (canSend())
        sender.patch(`${unitPath()}/settings${partOfDrag ? '?drag=1' : ''}`, change).then(tellAnswer);
}

function endDrag() {
    if (page.online && page.state)
        sender.patch(`${unitPath()}/settings`, {}).then(tellAnswer);
}

function command(path, body, done) {
    if (!canSend())
        return;
    const answer = body === undefined ? sender.post(`${unitPath()}${path}`) : sender.put(`${unitPath()}${path}`, body);
    answer.then(result => (done ? done(result) : tellAnswer(result)));
}

function presetCommand(n, store) {
    notice(t(store ? 'saving' : 'loading', n));
    command(`/presets/${n}/${store ? 'store' : 'recall'}`, undefined, answer => {
        if (answer.status === 200)
            notice(t(store ? 'saved' : 'loaded', n));
        else if (answer.status === 504)
            notice(t(store ? 'notSaved' : 'notLoaded', n));
        else
            tellAnswer(answer);
    });
}

function presetName(n) {
    return (page.state?.presetNames?.[n - 1] ?? '').trim();
}

function askToStore(n) {
    $('store-question').textContent = t('storeQuestion', n, presetName(n));
    const dialog = $('store-dialog');
    dialog.returnValue = '';
    dialog.onclose = () => {
        if (dialog.returnValue === 'ok')
            presetCommand(n, true);
    };
    dialog.showModal();
}

function askToRename(n) {
    $('rename-title').textContent = t('renameTitle', n);
    const input = $('rename-input');
    input.value = presetName(n);
    const dialog = $('rename-dialog');
    dialog.returnValue = '';
    dialog.onclose = () => {
        if (dialog.returnValue !== 'ok')
            return;
        const name = input.value;
        command(`/presets/${n}/name`, { name }, answer => {
            if (answer.status === 200)
                notice(t('named', n, name));
            else
                tellAnswer(answer);
        });
    };
    dialog.showModal();
    input.select();
}

// Rendering --------------------------------------------------------------------

function buildPresetList() {
    const list = $('preset-list');
    for (let n = 1; n <= kPresetCount; ++n) {
        const item = document.createElement('li');
        item.innerHTML = '<button type="button" class="recall"><span class="visually-hidden"></span>'
            + '<span class="number"></span> <span class="name"></span></button>'
            + '<button type="button" class="store"></button><button type="button" class="rename"></button>';
        item.querySelector('.number').textContent = String(n);
        item.querySelector('.recall').addEventListener('click', () => presetCommand(n, false));
        item.querySelector('.store').addEventListener('click', () => askToStore(n));
        item.querySelector('.rename').addEventListener('click', () => askToRename(n));
        list.append(item);
    }
}

function renderPresets() {
    [...$('preset-list').children].forEach((item, i) => {
        item.querySelector('.visually-hidden').textContent = `${t('loadPreset')} `;
        setText(item.querySelector('.name'), presetName(i + 1));
        setText(item.querySelector('.store'), t('store'));
        item.querySelector('.store').setAttribute('aria-label', t('storeLabel', i + 1));
        setText(item.querySelector('.rename'), t('rename'));
        item.querySelector('.rename').setAttribute('aria-label', t('renameLabel', i + 1));
    });
}

function setText(element, text) {
    if (element.textContent !== text)
        element.textContent = text;
}

// A value the settings file gives as a number, or as {"code": n} for a code outside the defined values.
function numberOf(value) {
    return typeof value === 'number' ? value : NaN;
}

function buildChannel(section, c) {
    section.append($('channel-template').content.cloneNode(true));
    const ui = {
        section,
        name: section.querySelector('.channel-name'),
        mute: section.querySelector('.mute'),
        gainValue: section.querySelector('.gain-value'),
        gainSlider: section.querySelector('.gain-slider'),
        steps: section.querySelectorAll('.step'),
        meter: section.querySelector('.meter'),
        lamps: section.querySelectorAll('.meter span'),
        graphBox: section.querySelector('.graph'),
        keys: section.querySelector('.graph-keys'),
        spoken: section.querySelector('.spoken'),
        hint: section.querySelector('.band-hint'),
        fields: section.querySelector('.band-fields'),
        title: section.querySelector('.band-title'),
        frequency: section.querySelector('.band-frequency'),
        gain: section.querySelector('.band-gain'),
        width: section.querySelector('.band-width'),
        widthSlider: section.querySelector('.band-width-slider'),
        picked: -1,
        sliding: false,
        spokenText: '',
    };
    ui.keys.id = `graph-keys-${c}`;
    ui.graphBox.setAttribute('aria-describedby', ui.keys.id);
    ui.gainSlider.id = `gain-${c}`;
    section.querySelector('.gain-label').htmlFor = ui.gainSlider.id;
    ui.graph = new EqualizerGraph(ui.graphBox, c, {
        pick: band => pickBand(c, band),
        change: (band, change, partOfDrag) => patch(bandPatch(c, band, change), partOfDrag),
        end: endDrag,
    });
    ui.mute.addEventListener('click', () => {
        const channel = page.state?.current?.channels?.[c];
        if (channel)
            patch(channelPatch(c, { mute: channel.mute !== true }));
    });
    ui.gainSlider.addEventListener('input', () => {
        ui.sliding = true;
        patch(channelPatch(c, { gainDb: Number(ui.gainSlider.value) }), true);
    });
    ui.gainSlider.addEventListener('change', () => {
        ui.sliding = false;
        endDrag();
        render();
    });
    for (const step of ui.steps) {
        step.addEventListener('click', () => {
            const gain = numberOf(page.state?.current?.channels?.[c]?.gainDb);
            if (!Number.isNaN(gain))
                patch(channelPatch(c, { gainDb: Math.min(kMaxGainDb, Math.max(kMinGainDb, gain + Number(step.dataset.step))) }));
        });
    }
    const typed = (input, key, parse, low, high) => input.addEventListener('change', () => {
        const value = parse(input.value);
        delete input.dataset.typing;
        if (ui.picked < 0)
            return;
        if (!Number.isFinite(value) || value < low || value > high) {
            notice(t('outOfRange', input.value, low, high));
            render();
            return;
        }
        patch(bandPatch(c, ui.picked, { [key]: value }));
    });
    typed(ui.frequency, 'frequencyHz', text => Math.round(Number(text)), 20, 20000);
    typed(ui.gain, 'gainDb', text => Math.round(Number(text) * 10) / 10, -12, 12);
    typed(ui.width, 'widthOctaves', text => Math.round(Number(text) * 100) / 100, 0.05, 3);
    ui.widthSlider.addEventListener('input', () => {
        ui.sliding = true;
        if (ui.picked >= 0)
            patch(bandPatch(c, ui.picked, { widthOctaves: Number(ui.widthSlider.value) }), true);
    });
    ui.widthSlider.addEventListener('change', () => {
        ui.sliding = false;
        endDrag();
        render();
    });
    return ui;
}

function pickBand(c, band) {
    const ui = page.channels[c];
    if (ui.picked === band)
        return;
    ui.picked = band;
    ui.spokenText = '';
    render();
}

// A band's settings with its frequency and gain as the curves' handles give them.
function bandOf(c, i) {
    const settings = page.state.current.channels[c].bands[i];
    const handle = page.state.curves.channels[c].handles[i];
    return { ...settings, frequencyHz: handle.frequencyHz, gainDb: handle.gainDb };
}

function renderChannel(ui, c) {
    const state = page.state;
    const channel = state.current.channels[c];
    const name = channelName(c);
    setText(ui.name, name);
    setText(ui.mute, t('mute'));
    ui.mute.setAttribute('aria-label', t('muteLabel', name));
    ui.mute.setAttribute('aria-pressed', String(channel.mute === true));
    const gain = numberOf(channel.gainDb);
    setText(ui.gainValue, Number.isNaN(gain) ? '?' : t('db', gain));
    ui.gainSlider.setAttribute('aria-valuetext', Number.isNaN(gain) ? '?' : t('db', gain));
    ui.gainSlider.setAttribute('aria-label', t('gainLabel', name));
    if (!ui.sliding && !Number.isNaN(gain))
        ui.gainSlider.value = String(gain);
    ui.steps[0].setAttribute('aria-label', t('gainDown', name));
    ui.steps[1].setAttribute('aria-label', t('gainUp', name));
    ui.meter.setAttribute('aria-label', t('level', name));
    if (!state.connected || !page.online)
        showLamps(ui, c, null);
    ui.graphBox.setAttribute('aria-label', t('equalizer', name));
    setText(ui.keys, t('graphKeys'));
    const curve = state.curves.channels[c];
    ui.graph.show(state.curves.frequenciesHz, curve, channel.bands, ui.picked);
    ui.graph.nameHandles(channel.bands.map((_, i) => spokenBand(c, i, bandOf(c, i))));
    renderBandEditor(ui, c);
}

function renderBandEditor(ui, c) {
    const name = channelName(c);
    setText(ui.hint, ui.picked < 0 ? t('pickBand') : '');
    ui.fields.hidden = ui.picked < 0;
    if (ui.picked < 0)
        return;
    const band = bandOf(c, ui.picked);
    setText(ui.title, t('band', ui.picked + 1));
    const keep = element => element === document.activeElement && element.dataset.typing === 'yes';
    if (!keep(ui.frequency))
        ui.frequency.value = String(band.frequencyHz);
    if (!keep(ui.gain))
        ui.gain.value = band.gainDb.toFixed(1);
    const width = numberOf(band.widthOctaves);
    const peaking = band.type === 'peak' && !Number.isNaN(width);
    ui.width.disabled = !peaking;
    ui.widthSlider.disabled = !peaking;
    if (!keep(ui.width))
        ui.width.value = Number.isNaN(width) ? '' : width.toFixed(2);
    if (!ui.sliding && peaking)
        ui.widthSlider.value = String(width);
    ui.widthSlider.setAttribute('aria-label', t('widthSlider', name, ui.picked + 1));
    // The picked band is told as the window tells it: when it is picked, and as the keys change it.
    const spoken = spokenBand(c, ui.picked, band);
    if (spoken !== ui.spokenText) {
        ui.spokenText = spoken;
        setText(ui.spoken, spoken);
    }
}

// The meter lamps of both channels; null darkens a channel's.
function showMeters(channels) {
    if (!page.state?.connected)
        return;
    page.channels.forEach((ui, c) => showLamps(ui, c, channels?.[c] ?? null));
}

function showLamps(ui, c, meter) {
    const key = meter ? `${meter.lamps.join()}` : '';
    if (page.meters[c] === key)
        return;
    page.meters[c] = key;
    ui.lamps.forEach((lamp, j) => lamp.classList.toggle('lit', Boolean(meter?.lamps?.[j])));
    const level = meter?.level ?? 0;
    ui.meter.setAttribute('aria-valuenow', String(level));
    ui.meter.setAttribute('aria-valuetext', t('levelValue', level) + (meter?.overload ? `, ${t('overload')}` : ''));
}

function renderHistory() {
    const history = page.state.history || {};
    $('undo').disabled = !history.canUndo;
    $('redo').disabled = !history.canRedo;
    const side = history.side === 'B' ? 'B' : 'A';
    const compare = $('compare');
    setText($('compare-text'), t('compareLabel', side, side === 'A' ? 'B' : 'A'));
    for (const mark of compare.querySelectorAll('.side'))
        mark.classList.toggle('active', mark.dataset.side === side);
}

function render() {
    const state = page.state;
    if (!state || !state.current || !state.curves)
        return;
    if (state.language !== page.language) {
        page.language = state.language;
        useLanguage(state.language);
        applyTexts();
    }
    setText($('unit-name'), state.name || state.id || t('title'));
    // while the server is away, nothing is known of the unit's connection
    const stateText = $('unit-state');
    setText(stateText, !page.online ? '' : state.connected ? t('connected') : t('notConnected'));
    stateText.classList.toggle('away', !state.connected);
    const option = [...$('unit-picker').options].find(o => o.value === page.unitId);
    if (option && state.name)
        option.textContent = state.name;
    renderHistory();
    renderPresets();
    page.channels.forEach(renderChannel);
    if (!page.shownOnce) {
        page.shownOnce = true;
        requestAnimationFrame(() => performance.mark('quenda-unit-shown'));
    }
}

// Start ------------------------------------------------------------------------

function wire() {
    page.channels = [...document.querySelectorAll('.channel')].map((section, c) => buildChannel(section, c));
    buildPresetList();
    $('pair-form').addEventListener('submit', onPairSubmit);
    $('unit-picker').addEventListener('change', onUnitPicked);
    $('undo').addEventListener('click', () => command('/undo'));
    $('redo').addEventListener('click', () => command('/redo'));
    $('compare').addEventListener('click', () => command('/compare/switch'));
    // typed text stays while it is typed; the unit's value comes back when it is committed or left
    document.addEventListener('input', event => {
        if (event.target.matches?.('.band-fields input[type=number]'))
            event.target.dataset.typing = 'yes';
    });
    document.addEventListener('focusout', event => {
        if (event.target.dataset?.typing) {
            delete event.target.dataset.typing;
            render();
        }
    });
    document.addEventListener('visibilitychange', retryNow);
    window.addEventListener('online', retryNow);
}

async function start() {
    useLanguage(browserLanguage());
    applyTexts();
    wire();
    const secret = takePairingSecret();
    if (secret) {
        const answer = await request('POST', '/pair', { code: secret, name: defaultDeviceName() });
        if (answer.status !== 200) {
            showSignIn(answer.status === 403 ? t('linkUsed') : pairingRefusal(answer));
            return;
        }
        localStorage.setItem(kPairedKey, '1');
    }
    enter();
}

start();
