// The page's state module in Node, without a browser: the server's sparse
// changes merged as the server forms them, and the page's requests sent one at
// a time, a drag's changes merged, at most one per animation frame (driven by
// hand here), and nothing kept once the server is lost.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { bandPatch, channelPatch, mergePatch, Sender } from '../../remote/page/state.js';

test('a sparse change merges key by key and entry by entry', () => {
    const state = { name: 'Hall', curves: { equalizerDb: [0, 1, 2, 3] }, current: { channels: [{ gainDb: 0, mute: false }, { gainDb: -5 }] } };
    const cases = [
        [{ name: 'Bar' }, { ...state, name: 'Bar' }],
        [{ name: null }, { curves: state.curves, current: state.current }],
        [{ curves: { equalizerDb: [{}, 5] } }, { ...state, curves: { equalizerDb: [0, 5, 2, 3] } }],
        [{ current: { channels: [{}, { mute: true }] } }, { ...state, current: { channels: [state.current.channels[0], { gainDb: -5, mute: true }] } }],
        [{ current: { channels: [{ gainDb: -20 }] } }, { ...state, current: { channels: [{ gainDb: -20, mute: false }, state.current.channels[1]] } }],
        [{ curves: { equalizerDb: [0, 1, 2, 3, 4] } }, { ...state, curves: { equalizerDb: [0, 1, 2, 3, 4] } }],
    ];
    for (const [change, merged] of cases)
        assert.deepEqual(mergePatch(state, change), merged, JSON.stringify(change));
    assert.deepEqual(state.current.channels[0], { gainDb: 0, mute: false }, 'the state merged into is left as it was');
});

test('a change of one band or one channel names it alone', () => {
    assert.deepEqual(channelPatch(1, { mute: true }), { channels: [{}, { mute: true }] });
    assert.deepEqual(bandPatch(0, 2, { gainDb: 3 }), { channels: [{ bands: [{}, {}, { gainDb: 3 }] }] });
});

function harness() {
    const frames = [];
    globalThis.requestAnimationFrame = callback => frames.push(callback);
    const sent = [];
    const sender = new Sender((method, path, body) => new Promise(answer => sent.push({ method, path, body, answer })));
    const nextFrame = () => frames.splice(0).forEach(callback => callback());
    const settle = () => new Promise(done => setImmediate(done));
    return { sender, sent, nextFrame, settle };
}

test('a drag sends one change at a time, the newest merged, at most one per frame, the last one always', async () => {
    const { sender, sent, nextFrame, settle } = harness();
    const answers = [
        sender.patch('/units/u/settings', bandPatch(0, 2, { frequencyHz: 100, gainDb: 1 })),
        sender.patch('/units/u/settings', bandPatch(0, 2, { frequencyHz: 110, gainDb: 2 })),
        sender.patch('/units/u/settings', bandPatch(0, 3, { gainDb: -1 })),
        sender.patch('/units/u/settings', bandPatch(0, 2, { frequencyHz: 120, gainDb: 3 })),
    ];
    assert.equal(sent.length, 1, 'one in flight');
    assert.deepEqual(sent[0].body, bandPatch(0, 2, { frequencyHz: 100, gainDb: 1 }));
    sent[0].answer({ status: 200, body: {} });
    await settle();
    assert.equal(sent.length, 1, 'the next waits for the next frame');
    nextFrame();
    assert.equal(sent.length, 2);
    assert.deepEqual(sent[1].body, { channels: [{ bands: [{}, {}, { frequencyHz: 120, gainDb: 3 }, { gainDb: -1 }] }] });
    sent[1].answer({ status: 200, body: {} });
    assert.deepEqual(await Promise.all(answers), Array(4).fill({ status: 200, body: {} }));
});

test('presets and undo keep their place behind the changes before them', async () => {
    const { sender, sent, nextFrame, settle } = harness();
    sender.patch('/units/u/settings', channelPatch(0, { gainDb: -3 }));
    sender.post('/units/u/presets/4/store');
    sender.patch('/units/u/settings', channelPatch(0, { gainDb: -9 }));
    sent[0].answer({ status: 200, body: {} });
    await settle();
    assert.deepEqual(sent.map(s => `${s.method} ${s.path}`), ['PATCH /units/u/settings', 'POST /units/u/presets/4/store']);
    sent[1].answer({ status: 200, body: {} });
    await settle();
    nextFrame();
    assert.deepEqual(sent[2].body, channelPatch(0, { gainDb: -9 }), 'not merged across the store');
});

test('once the server is lost, what waited is answered "not sent" and never goes out', async () => {
    const { sender, sent, nextFrame, settle } = harness();
    sender.patch('/units/u/settings', channelPatch(0, { mute: true }));
    const waiting = sender.patch('/units/u/settings', channelPatch(1, { mute: true }));
    const undo = sender.post('/units/u/undo');
    sender.drop();
    assert.deepEqual(await waiting, { status: 0, body: {} });
    assert.deepEqual(await undo, { status: 0, body: {} });
    sent[0].answer({ status: 0, body: {} });
    await settle();
    nextFrame();
    assert.equal(sent.length, 1);
});
