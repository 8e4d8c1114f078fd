// The phone page in headless Chromium on a touch phone's viewport (390 × 844),
// against `quenda --demo serve`: pairing, presets, a band dragged by touch down
// to the frames the simulated unit received, mute, changes from elsewhere,
// two pages in step, refused tokens, a server that goes away and comes back,
// the keyboard on a desktop browser, accessibility, and the screenshots
// (into docs/ with QUENDA_PAGE_SCREENSHOTS=docs).
import { after, afterEach, before, test } from 'node:test';
import assert from 'node:assert/strict';
import { mkdtempSync } from 'node:fs';
import { readFile, rm } from 'node:fs/promises';
import { tmpdir } from 'node:os';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';
import { createRequire } from 'node:module';
import { Api, bandOfFrame, centreOf, desktop, launch, nextFrame, phone, Server, signedIn, touchDrag, waitFor } from './lib.js';

const here = dirname(fileURLToPath(import.meta.url));
// The screenshots go to docs/ only when asked (QUENDA_PAGE_SCREENSHOTS=docs): a test run leaves the tree as it was.
const docs = process.env.QUENDA_PAGE_SCREENSHOTS === 'docs' ? resolve(here, '../../docs') : mkdtempSync(join(tmpdir(), 'quenda-page-'));
const axeSource = await readFile(createRequire(import.meta.url).resolve('axe-core/axe.min.js'), 'utf8');

let browser;
let server;

before(async () => {
    browser = await launch();
});

after(async () => {
    await browser?.close();
});

afterEach(async () => {
    await server?.dispose();
    server = null;
});

const chA = page => page.locator('[data-channel="0"]');
const chB = page => page.locator('[data-channel="1"]');
const handle = (section, band) => section.locator(`.handle[data-band="${band}"]`);

// A fresh context's page at url, once the element shown (#signin or #unit) is there.
async function visit(url, shown, options = phone) {
    const context = await browser.newContext(options);
    const page = await context.newPage();
    await page.goto(url);
    await page.locator(shown).waitFor();
    return { context, page };
}

async function gainShown(section) {
    return section.locator('.gain-value').textContent();
}

test('pairing with the code: a wrong code is refused, the right one signs in with the name the browser suggests', async () => {
    server = await Server.start();
    const { context, page } = await visit(server.url, '#signin');
    assert.equal(await page.locator('#pair-name').inputValue(), 'Phone');
    assert.equal(await page.locator('#signin-why').textContent(), '');
    const wrong = server.code === '000000' ? '111111' : '000000';
    await page.locator('#pair-code').fill(wrong);
    await page.locator('#pair-button').click();
    await waitFor(async () => (await page.locator('#pair-error').textContent()) === 'The code is wrong, used or expired. Ask for a fresh one.');
    await page.locator('#pair-code').fill(server.code);
    await page.locator('#pair-name').fill('Listening seat');
    await page.locator('#pair-button').click();
    await page.locator('.handle').first().waitFor();
    assert.equal(await page.locator('#unit-name').textContent(), '/dev/hidraw-sim0');
    assert.equal(await page.locator('#unit-state').textContent(), 'Connected');
    assert.equal(await page.locator('#unit-picker-box').isHidden(), true);
    await waitFor(() => server.log.includes('Listening seat follows /dev/hidraw-sim0'), 5000, 'the stream');
    // the cookie is remembered: a new visit goes straight to the unit
    const again = await context.newPage();
    await again.goto(server.url);
    await again.locator('.handle').first().waitFor();
    assert.equal(await again.locator('#signin').isHidden(), true);
    await context.close();
});

test('the pairing link signs the phone in and leaves the address without its secret', async () => {
    server = await Server.start();
    const { context, page } = await visit(server.link, '#unit');
    assert.equal(new URL(page.url()).hash, '');
    await waitFor(() => server.log.includes('Phone follows'), 5000, 'the stream');
    // a used link leads to the sign-in page, saying why
    const { context: other, page: late } = await visit(server.link, '#signin');
    assert.equal(await late.locator('#signin-why').textContent(), 'The pairing link is used or expired. Enter a fresh code.');
    await other.close();
    await context.close();
});

test('a preset is stored after its confirmation and recalled with a tap', async () => {
    server = await Server.start();
    const { context, page } = await signedIn(browser, server);
    const api = await Api.of(server, context);
    assert.equal((await api.patch({ channels: [{ gainDb: -30 }] })).status, 200);
    await waitFor(async () => (await gainShown(chA(page))) === '-30 dB');
    await page.locator('#presets summary').click();
    const row = page.locator('#preset-list li').nth(3);
    await row.locator('.store').click();
    await page.locator('#store-dialog').waitFor();
    const name = (await api.state()).presetNames[3].trim();
    assert.equal(await page.locator('#store-question').textContent(),
        `Save the unit's current settings as preset 4 (${name})? What the preset holds now is replaced.`);
    await page.locator('#store-dialog button[value="ok"]').click();
    await waitFor(async () => (await page.locator('#notice').textContent()) === 'Preset 4 saved');
    assert.equal(server.framesOf('store of preset 4').length, 1);
    assert.equal((await api.patch({ channels: [{ gainDb: -10 }] })).status, 200);
    await waitFor(async () => (await gainShown(chA(page))) === '-10 dB');
    const mark = server.frames.length;
    await row.locator('.recall').click();
    await waitFor(async () => (await page.locator('#notice').textContent()) === 'Preset 4 loaded');
    await waitFor(async () => (await gainShown(chA(page))) === '-30 dB', 2000, 'the recalled gain');
    assert.equal(server.framesOf('recall of preset 4', mark).length, 1);
    assert.equal((await api.state()).current.channels[0].gainDb, -30);
    // renamed: the unit has the name, and the list shows it
    await row.locator('.rename').click();
    await page.locator('#rename-input').fill('Movie');
    await page.locator('#rename-dialog button[value="ok"]').click();
    await waitFor(async () => (await row.locator('.name').textContent()) === 'Movie', 2000, 'the new name');
    assert.equal((await api.state()).presetNames[3], 'Movie');
    assert.equal(server.framesOf('name of preset 4').length, 1);
    // a store that is cancelled sends nothing
    await page.locator('#preset-list li').nth(5).locator('.store').click();
    await page.locator('#store-dialog button[value="cancel"]').click();
    assert.equal(server.framesOf('store of preset 6').length, 0);
    await context.close();
});

test('band 3 dragged by touch: at most one frame per move, the last position arrives, and the page shows what the unit has', async () => {
    server = await Server.start();
    const { context, page } = await signedIn(browser, server);
    const api = await Api.of(server, context);
    const before = (await api.state()).curves.channels[0].handles[2];
    const band3 = handle(chA(page), 2);
    const from = await centreOf(band3);
    const to = { x: from.x + 90, y: from.y - 40 };
    const mark = server.frames.length;
    const moves = 15;
    await touchDrag(page, from, to, moves);
    // the page sends the newest position after the one in flight; then the unit has where the finger stopped
    const last = await waitFor(async () => {
        const frames = server.framesOf('channel 0 group 5', mark);
        const state = (await api.state()).curves.channels[0].handles[2];
        const frame = frames.at(-1);
        return frame && bandOfFrame(frame).frequencyHz === state.frequencyHz && bandOfFrame(frame).gainDb === state.gainDb
            && (await centreOf(band3)).x > from.x + 80 ? { frames, state } : undefined;
    }, 5000, 'the last position at the unit');
    assert.ok(last.frames.length >= 2 && last.frames.length <= moves, `${last.frames.length} frames for ${moves} moves`);
    assert.ok(last.state.frequencyHz > before.frequencyHz && last.state.gainDb > before.gainDb);
    for (const frame of last.frames) {
        assert.equal(frame.bytes.length, 8);
        assert.equal(frame.bytes[7], 0, 'still a peaking band');
    }
    // the handle stands where the finger was lifted, drawn from the unit's values
    const shown = await centreOf(band3);
    assert.ok(Math.abs(shown.x - to.x) <= 1.5 && Math.abs(shown.y - to.y) <= 1.5, `handle at ${JSON.stringify(shown)}, finger at ${JSON.stringify(to)}`);
    // the tap picked band 3: its values are shown and spoken as the window speaks them
    const editor = chA(page).locator('.band-fields');
    assert.equal(await editor.locator('legend').textContent(), 'Band 3');
    assert.equal(await editor.locator('.band-frequency').inputValue(), String(last.state.frequencyHz));
    assert.equal(await editor.locator('.band-gain').inputValue(), last.state.gainDb.toFixed(1));
    const width = (await api.state()).current.channels[0].bands[2].widthOctaves;
    const frequency = last.state.frequencyHz >= 1000 ? `${(last.state.frequencyHz / 1000).toFixed(2)} kHz` : `${last.state.frequencyHz} Hz`;
    assert.equal(await chA(page).locator('.spoken').textContent(),
        `CH A band 3, ${frequency}, +${last.state.gainDb.toFixed(1)} dB, ${width.toFixed(2)} octaves`);
    assert.equal(await band3.getAttribute('aria-label'), await chA(page).locator('.spoken').textContent());
    // a second finger widens the band
    const cdp = await context.newCDPSession(page);
    const at = await centreOf(band3);
    const finger = (id, x, y) => ({ id, x, y, radiusX: 4, radiusY: 4, force: 1 });
    await cdp.send('Input.dispatchTouchEvent', { type: 'touchStart', touchPoints: [finger(1, at.x, at.y)] });
    await cdp.send('Input.dispatchTouchEvent', { type: 'touchStart', touchPoints: [finger(1, at.x, at.y), finger(2, at.x + 40, at.y + 40)] });
    for (const spread of [70, 100, 120]) {
        await cdp.send('Input.dispatchTouchEvent', { type: 'touchMove', touchPoints: [finger(1, at.x, at.y), finger(2, at.x + spread, at.y + spread)] });
        await nextFrame(page);
    }
    await cdp.send('Input.dispatchTouchEvent', { type: 'touchEnd', touchPoints: [] });
    const widened = await waitFor(async () => {
        const now = (await api.state()).current.channels[0].bands[2].widthOctaves;
        return now > width ? now : undefined;
    }, 5000, 'a wider band');
    const spread = Math.round(Math.min(3, width * 3) * 100) / 100;   // the fingers three times as far apart
    assert.equal(widened, spread);
    assert.equal(bandOfFrame(server.framesOf('channel 0 group 5').at(-1)).widthOctaves, spread);
    // each drag is one step of the unit's undo history, as a drag in the window is: two undos put band 3 back
    const unit = `/units/${encodeURIComponent(await api.unitId())}`;
    assert.equal((await api.call('POST', `${unit}/undo`)).status, 200);
    assert.equal((await api.state()).current.channels[0].bands[2].widthOctaves, width);
    assert.equal((await api.call('POST', `${unit}/undo`)).status, 200);
    const undone = await api.state();
    assert.deepEqual(undone.curves.channels[0].handles[2], before);
    assert.equal(undone.history.canUndo, false);
    await context.close();
});

test('mute toggled on the page reaches the unit and its state', async () => {
    server = await Server.start();
    const { context, page } = await signedIn(browser, server);
    const api = await Api.of(server, context);
    const mute = chB(page).locator('.mute');
    assert.equal(await mute.getAttribute('aria-pressed'), 'false');
    const mark = server.frames.length;
    await mute.tap();
    await waitFor(async () => (await mute.getAttribute('aria-pressed')) === 'true', 2000, 'the muted button');
    assert.equal((await api.state()).current.channels[1].mute, true);
    const frames = server.framesOf('channel 1 group 0', mark);
    assert.equal(frames.length, 1);
    assert.equal(frames[0].bytes[4], 1, 'the mute byte');
    await mute.tap();
    await waitFor(async () => (await mute.getAttribute('aria-pressed')) === 'false', 2000, 'the button again');
    assert.equal((await api.state()).current.channels[1].mute, false);
    await context.close();
});

test('a change made through the API appears on the page within 200 ms', async () => {
    server = await Server.start();
    const { context, page } = await signedIn(browser, server);
    const api = await Api.of(server, context);
    const delays = [];
    for (const gain of [-12, -25, 3]) {
        await page.evaluate(() => {
            const output = document.querySelector('[data-channel="0"] .gain-value');
            window.shownAt = new Promise(done => new MutationObserver((_, observer) => {
                observer.disconnect();
                done(performance.timeOrigin + performance.now());
            }).observe(output, { childList: true, characterData: true, subtree: true }));
        });
        const sentAt = Date.now();
        assert.equal((await api.patch({ channels: [{ gainDb: gain }] })).status, 200);
        const shownAt = await page.evaluate(() => window.shownAt);
        assert.equal(await gainShown(chA(page)), `${gain} dB`);
        delays.push(shownAt - sentAt);
    }
    assert.ok(Math.max(...delays) <= 200, `shown after ${delays.map(d => d.toFixed(1)).join(', ')} ms`);
    await context.close();
});

test('a second page stays in step with the first', async () => {
    server = await Server.start();
    const { context, page } = await signedIn(browser, server);
    const second = await context.newPage();
    await second.goto(server.url);
    await second.locator('.handle').first().waitFor();
    await chB(page).locator('.mute').tap();
    await waitFor(async () => (await chB(second).locator('.mute').getAttribute('aria-pressed')) === 'true', 2000, 'the mute on the second page');
    await chA(second).locator('.step[data-step="-1"]').tap();
    await waitFor(async () => (await gainShown(chA(page))) === '-1 dB', 2000, 'the gain on the first page');
    await second.locator('#undo').tap();
    await waitFor(async () => (await gainShown(chA(page))) === '0 dB', 2000, 'the undone gain on the first page');
    assert.equal(await page.locator('#redo').isEnabled(), true);
    await context.close();
});

test('a wrong token leads to the sign-in page, a forgotten one with a sentence saying why', async () => {
    server = await Server.start();
    const stranger = await browser.newContext(phone);
    await stranger.addCookies([{ name: 'quenda_token', value: 'A'.repeat(43), url: server.url }]);
    const page = await stranger.newPage();
    await page.goto(server.url);
    await page.locator('#signin').waitFor();
    assert.equal(await page.locator('#signin-why').textContent(), '');
    await stranger.close();

    // the stream ends as the server ends a forgotten device's
    const { context, page: paired } = await signedIn(browser, server);
    await paired.routeWebSocket(/\/events$/, socket => {
        const unit = socket.connectToServer();
        unit.onMessage(message => {
            socket.send(message);
            if (JSON.parse(message).type === 'state')
                socket.close({ code: 1008, reason: 'this device was forgotten' });
        });
    });
    await paired.reload();
    await paired.locator('#signin').waitFor();
    assert.equal(await paired.locator('#signin-why').textContent(),
        'This device was forgotten on the unit\'s computer. Pair it again with a fresh code.');

    // forgotten while the server was away: its token is refused when the page comes back
    const later = await context.newPage();
    await later.goto(server.url);
    await later.locator('.handle').first().waitFor();
    await server.stop();
    await rm(join(server.home, 'config'), { recursive: true, force: true });
    await server.restart();
    await later.locator('#signin').waitFor({ timeout: 15000 });
    assert.equal(await later.locator('#signin-why').textContent(),
        'This device is no longer paired with the unit\'s computer. Pair it again with a fresh code.');
    await context.close();
});

test('the server stopped and started again: the page says so, keeps no change, and shows the unit it finds', async () => {
    server = await Server.start();
    const { context, page } = await signedIn(browser, server);
    const api = await Api.of(server, context);
    assert.equal((await api.patch({ channels: [{ gainDb: -20 }, { mute: true }] })).status, 200);
    await waitFor(async () => (await gainShown(chA(page))) === '-20 dB');
    await server.stop();
    await page.locator('#banner').waitFor();
    assert.equal(await page.locator('#banner').textContent(), 'Reconnecting…');
    // a change made now is not kept: the control shows the unit's value again
    await chA(page).locator('.mute').tap();
    assert.equal(await page.locator('#notice').textContent(), 'Not sent: the connection is lost. The controls show the unit\'s values.');
    assert.equal(await chA(page).locator('.mute').getAttribute('aria-pressed'), 'false');
    await server.restart();
    // a fresh demo unit: its own values, not those the page had
    await waitFor(async () => (await gainShown(chA(page))) === '0 dB', 15000, 'the new unit\'s gain');
    assert.equal(await page.locator('#banner').isHidden(), true);
    assert.equal(await chB(page).locator('.mute').getAttribute('aria-pressed'), 'false');
    assert.equal(await chA(page).locator('.mute').getAttribute('aria-pressed'), 'false');
    assert.deepEqual(server.framesOf('channel 0 group 0'), [], 'the mute tapped while away was not sent');
    // and it works again
    await chA(page).locator('.mute').tap();
    await waitFor(async () => (await chA(page).locator('.mute').getAttribute('aria-pressed')) === 'true', 2000, 'the mute');
    await context.close();
});

test('with a keyboard on a desktop browser: bands picked and edited, channels side by side', async () => {
    server = await Server.start();
    const { context, page } = await signedIn(browser, server, desktop);
    const api = await Api.of(server, context);
    const a = await chA(page).boundingBox();
    const b = await chB(page).boundingBox();
    assert.equal(a.y, b.y);
    assert.ok(b.x > a.x + a.width - 1);
    await chA(page).locator('.step[data-step="1"]').focus();
    await page.keyboard.press('Tab');   // into CH A's graph: band 1
    assert.equal(await page.evaluate(() => document.activeElement.dataset.band), '0');
    await page.keyboard.press('3');
    assert.equal(await page.evaluate(() => document.activeElement.dataset.band), '2');
    const start = (await api.state()).curves.channels[0].handles[2];
    const width = (await api.state()).current.channels[0].bands[2].widthOctaves;
    const wider = Math.round(width * 100 + 1) / 100;
    await page.keyboard.press('Shift+ArrowUp');
    await waitFor(async () => (await api.state()).curves.channels[0].handles[2].gainDb === start.gainDb + 1, 2000, '+1 dB');
    await page.keyboard.press('ArrowRight');
    await waitFor(async () => (await api.state()).curves.channels[0].handles[2].frequencyHz > start.frequencyHz, 2000, 'a higher frequency');
    await page.keyboard.press('PageUp');
    await waitFor(async () => (await api.state()).current.channels[0].bands[2].widthOctaves === wider, 2000, 'a wider band');
    await waitFor(async () => (await chA(page).locator('.spoken').textContent()).endsWith(`, +1.0 dB, ${wider.toFixed(2)} octaves`), 2000, 'the band spoken');
    await page.keyboard.press('Home');
    await waitFor(async () => (await api.state()).curves.channels[0].handles[2].gainDb === 0, 2000, '0 dB');
    // the gain slider and the mute from the keyboard
    await chB(page).locator('.gain-slider').focus();
    await page.keyboard.press('ArrowLeft');
    await waitFor(async () => (await api.state()).current.channels[1].gainDb === -1, 2000, 'the slider');
    await chB(page).locator('.mute').focus();
    await page.keyboard.press('Enter');
    await waitFor(async () => (await api.state()).current.channels[1].mute === true, 2000, 'the mute');
    // typed values
    const frequency = chA(page).locator('.band-frequency');
    await frequency.fill('250');
    await frequency.press('Enter');
    await waitFor(async () => (await api.state()).curves.channels[0].handles[2].frequencyHz === 250, 2000, 'the typed frequency');
    await frequency.fill('30000');
    await frequency.press('Enter');
    assert.equal(await page.locator('#notice').textContent(), '30000 is outside 20 to 20000');
    await context.close();
});

test('several units: a picker chooses the one the page follows, and the page remembers it', async () => {
    server = await Server.start({ units: 2 });
    const { context, page } = await signedIn(browser, server);
    const picker = page.locator('#unit-picker');
    assert.equal(await page.locator('#unit-picker-box').isVisible(), true);
    assert.deepEqual(await picker.locator('option').allTextContents(), ['QD-DEMO-1', 'QD-DEMO-2']);
    assert.equal(await page.locator('#unit-name').textContent(), 'QD-DEMO-1');
    await picker.selectOption('QD-DEMO-2');
    await waitFor(async () => (await page.locator('#unit-name').textContent()) === 'QD-DEMO-2', 5000, 'the second unit');
    const mark = server.frames.length;
    await chA(page).locator('.mute').tap();
    await waitFor(async () => (await chA(page).locator('.mute').getAttribute('aria-pressed')) === 'true', 2000, 'the mute');
    const api = await Api.of(server, context);
    const second = (await api.call('GET', '/units/QD-DEMO-2')).body;
    const first = (await api.call('GET', '/units/QD-DEMO-1')).body;
    assert.equal(second.current.channels[0].mute, true);
    assert.equal(first.current.channels[0].mute, false);
    assert.equal(server.framesOf('channel 0 group 0', mark).length, 1);
    await page.reload();
    await waitFor(async () => (await page.locator('#unit-name').textContent()) === 'QD-DEMO-2', 5000, 'the remembered unit');
    assert.equal(await picker.inputValue(), 'QD-DEMO-2');
    await context.close();
});

async function seriousViolations(page) {
    await page.evaluate(axeSource);
    const results = await page.evaluate(() => window.axe.run(document, { resultTypes: ['violations'] }));
    return results.violations.filter(v => v.impact === 'serious' || v.impact === 'critical')
        .map(v => `${v.id}: ${v.nodes.map(n => n.target.join(' ')).join(', ')}`);
}

test('axe finds no serious or critical violation on the sign-in page and the signed-in page', async () => {
    server = await Server.start();
    const { context, page: signIn } = await visit(server.url, '#signin');
    assert.deepEqual(await seriousViolations(signIn), []);
    await context.close();
    const { context: paired, page } = await signedIn(browser, server);
    await handle(chA(page), 2).tap();
    await page.locator('#presets summary').click();
    await chA(page).locator('.band-fields').waitFor();
    assert.deepEqual(await seriousViolations(page), []);
    await paired.close();
});

test('the screenshots: the page in English and in Chinese, signing in, and with the server away', async () => {
    server = await Server.start();
    const signin = await visit(server.url, '#signin');
    await signin.page.locator('#pair-code').fill('12345');
    await signin.page.screenshot({ path: join(docs, 'remote-phone-signin-english.png') });
    await signin.context.close();
    const { context, page } = await signedIn(browser, server);
    const api = await Api.of(server, context);
    const bands = [[-3, 1.2], [4.5, 1], [2, 0.8], [-2.5, 1.5], [0, 1], [1.5, 2], [-4, 0.5], [3, 1], [0, 1], [-1.5, 1], [2.5, 1.5], [0, 1]];
    const shaped = bands.map(([gainDb, widthOctaves]) => ({ gainDb, widthOctaves }));
    assert.equal((await api.patch({ channels: [{ gainDb: -6, bands: shaped }, { gainDb: -12, mute: true, bands: shaped.slice().reverse() }] })).status, 200);
    await waitFor(async () => (await gainShown(chA(page))) === '-6 dB');
    await handle(chA(page), 2).tap();
    await page.evaluate(() => window.scrollTo(0, 0));
    await waitFor(() => page.evaluate(() => document.querySelectorAll('.meter span.lit').length > 0), 5000, 'moving lamps');
    await page.screenshot({ path: join(docs, 'remote-phone-english.png') });
    assert.equal((await api.patch({ language: 'chinese' })).status, 200);
    await waitFor(async () => (await chA(page).locator('.mute').textContent()) === '静音', 2000, 'the Chinese texts');
    assert.equal(await page.evaluate(() => document.documentElement.lang), 'zh-CN');
    assert.equal(await chA(page).locator('.channel-name').textContent(), '通道 A');
    assert.equal(await page.locator('#unit-state').textContent(), '已连接');
    await page.screenshot({ path: join(docs, 'remote-phone-chinese.png') });
    await server.stop();
    await page.locator('#banner').waitFor();
    assert.equal(await page.locator('#banner').textContent(), '正在重新连接…');
    await page.screenshot({ path: join(docs, 'remote-phone-away-chinese.png') });
    await context.close();
});
