// One channel's equalizer graph as the window draws it: a black plot from +12
// dB to -24 dB over three decades from 20 Hz, the grid, the channel's
// equalizer curve and its notch curve as the server computed them, and the 12
// band handles. The handles are buttons over the canvas: a finger or the mouse
// drags one band at a time in frequency and gain, a second finger changes a
// peaking band's width, and the keys edit the picked band as the window's do.
// The graph draws what the unit has; where a finger is, it shows a ring.

const kTopDb = 12;
const kRangeDb = 36;
const kDecades = 3;
const kMinHz = 20;
const kMaxHz = 20000;
const kMaxBandDb = 12;
const kMinWidth = 0.05;
const kMaxWidth = 3;
const kShiftSteps = 10;
// How far from a handle's centre a finger or the mouse still takes it, in CSS pixels.
const kFingerReach = 24;
const kMouseReach = 14;
const kInset = { left: 34, top: 10, right: 8, bottom: 18 };
const kGridHz = [30, 40, 50, 60, 70, 80, 90, 100, 200, 300, 400, 500, 600, 700, 800, 900, 1000,
    2000, 3000, 4000, 5000, 6000, 7000, 8000, 9000, 10000];
const kFrequencyLabels = [[20, '20'], [50, '50'], [100, '100'], [200, '200'], [500, '500'], [1000, '1K'],
    [2000, '2K'], [5000, '5K'], [10000, '10K'], [20000, '20K']];
const kGainLabels = [[12, '+12'], [6, '+6'], [0, '0dB'], [-6, '-6'], [-12, '-12'], [-18, '-18'], [-24, '-24']];
const kColours = {
    frame: 'rgb(100,100,100)', plotFrame: 'rgb(62,62,62)', grid: 'rgb(60,60,60)', band: 'rgb(68,86,98)',
    curve: ['rgb(255,0,0)', 'rgb(0,192,0)'], second: ['rgb(128,128,192)', 'rgb(255,44,255)'],
};
// The number row picks bands 1..9, 0 band 10, - and = bands 11 and 12.
const kBandKeys = ['1', '2', '3', '4', '5', '6', '7', '8', '9', '0', '-', '='];

const clamp = (value, low, high) => Math.min(high, Math.max(low, value));
const roundTo = (value, step) => Math.round(value / step) * step;
// Numbers as the settings file takes them: whole hertz, tenths of a dB, hundredths of an octave.
const tenths = value => Math.round(value * 10) / 10;
const hundredths = value => Math.round(value * 100) / 100;

export class EqualizerGraph {
    // actions: pick(band), change(band, {frequencyHz, gainDb, widthOctaves}) for a drag, a pinch or a key.
    constructor(box, channel, actions) {
        this.box = box;
        this.channel = channel;
        this.actions = actions;
        this.canvas = box.querySelector('canvas');
        this.finger = box.querySelector('.finger');
        this.frequencies = [];
        this.curve = null;
        this.bands = [];
        this.picked = -1;
        this.pointers = new Map();
        this.drag = null;
        this.pinch = null;
        this.handles = [];
        for (let i = 0; i < 12; ++i) {
            const handle = document.createElement('button');
            handle.type = 'button';
            handle.className = 'handle';
            handle.textContent = String(i + 1);
            handle.dataset.band = String(i);
            handle.hidden = true;   // until the unit's state places it
            handle.style.zIndex = String(20 - i);   // lower numbers on top, as in the window
            box.append(handle);
            this.handles.push(handle);
        }
        box.addEventListener('pointerdown', event => this.onPointerDown(event));
        box.addEventListener('pointermove', event => this.onPointerMove(event));
        box.addEventListener('pointerup', event => this.onPointerUp(event));
        box.addEventListener('pointercancel', event => this.onPointerUp(event));
        box.addEventListener('keydown', event => this.onKey(event));
        box.addEventListener('focusin', event => {
            const band = this.bandOf(event.target);
            if (band >= 0 && band !== this.picked)
                this.actions.pick(band);
        });
        new ResizeObserver(() => this.draw()).observe(box);
    }

    // The server's frequency grid, the channel's curves and handles, its band settings, the picked band.
    show(frequencies, curve, bands, picked) {
        this.frequencies = frequencies;
        this.curve = curve;
        this.bands = bands;
        this.picked = picked;
        this.draw();
    }

    plot() {
        const width = this.box.clientWidth;
        const height = this.box.clientHeight;
        return {
            left: kInset.left, top: kInset.top,
            width: Math.max(1, width - kInset.left - kInset.right),
            height: Math.max(1, height - kInset.top - kInset.bottom),
            boxWidth: width, boxHeight: height,
        };
    }

    x(plot, hz) {
        return plot.left + Math.log10(hz / kMinHz) / kDecades * plot.width;
    }

    y(plot, db) {
        return plot.top + (kTopDb - db) / kRangeDb * plot.height;
    }

    frequencyAt(plot, x) {
        return clamp(Math.round(kMinHz * 10 ** ((x - plot.left) / plot.width * kDecades)), kMinHz, kMaxHz);
    }

    gainAt(plot, y) {
        return tenths(clamp(kTopDb - (y - plot.top) / plot.height * kRangeDb, -kMaxBandDb, kMaxBandDb));
    }

    draw() {
        const plot = this.plot();
        const ratio = window.devicePixelRatio || 1;
        const canvas = this.canvas;
        if (canvas.width !== Math.round(plot.boxWidth * ratio) || canvas.height !== Math.round(plot.boxHeight * ratio)) {
            canvas.width = Math.round(plot.boxWidth * ratio);
            canvas.height = Math.round(plot.boxHeight * ratio);
        }
        const g = canvas.getContext('2d');
        g.setTransform(ratio, 0, 0, ratio, 0, 0);
        g.fillStyle = 'black';
        g.fillRect(0, 0, plot.boxWidth, plot.boxHeight);
        g.strokeStyle = kColours.frame;
        g.lineWidth = 1;
        g.strokeRect(0.5, 0.5, plot.boxWidth - 1, plot.boxHeight - 1);
        this.drawGrid(g, plot);
        this.drawPickedBand(g, plot);
        if (this.curve) {
            this.drawCurve(g, plot, this.curve.notchesDb, kColours.second[this.channel]);
            this.drawCurve(g, plot, this.curve.equalizerDb, kColours.curve[this.channel]);
        }
        this.placeHandles(plot);
    }

    drawGrid(g, plot) {
        g.strokeStyle = kColours.grid;
        g.beginPath();
        for (const hz of kGridHz) {
            const x = Math.round(this.x(plot, hz)) + 0.5;
            g.moveTo(x, plot.top);
            g.lineTo(x, plot.top + plot.height);
        }
        for (let i = 1; i < 12; ++i) {
            const y = Math.round(plot.top + plot.height / 12 * i) + 0.5;
            g.moveTo(plot.left, y);
            g.lineTo(plot.left + plot.width, y);
        }
        g.stroke();
        g.strokeStyle = kColours.plotFrame;
        g.strokeRect(plot.left + 0.5, plot.top + 0.5, plot.width - 1, plot.height - 1);
        g.fillStyle = kColours.frame;
        g.font = '10px system-ui, sans-serif';
        g.textBaseline = 'middle';
        g.textAlign = 'right';
        for (const [db, text] of kGainLabels)
            g.fillText(text, plot.left - 4, clamp(this.y(plot, db), plot.top + 4, plot.top + plot.height - 4));
        g.textBaseline = 'top';
        g.textAlign = 'center';
        for (const [hz, text] of kFrequencyLabels)
            g.fillText(text, clamp(this.x(plot, hz), plot.left + 6, plot.left + plot.width - 8), plot.top + plot.height + 4);
    }

    // The picked band's centre line, and for a peaking band its width between two handles.
    drawPickedBand(g, plot) {
        const band = this.bands[this.picked];
        const handle = this.curve?.handles?.[this.picked];
        if (!band || !handle)
            return;
        const x = this.x(plot, handle.frequencyHz);
        const y = this.y(plot, handle.gainDb);
        g.strokeStyle = kColours.band;
        g.lineWidth = 2;
        g.beginPath();
        g.moveTo(x, plot.top);
        g.lineTo(x, plot.top + plot.height);
        g.stroke();
        if (band.type !== 'peak' || typeof band.widthOctaves !== 'number')
            return;
        const half = 2 ** (band.widthOctaves / 2);
        const left = this.x(plot, handle.frequencyHz / half);
        const right = this.x(plot, handle.frequencyHz * half);
        g.beginPath();
        g.moveTo(left, y);
        g.lineTo(right, y);
        g.stroke();
        g.fillStyle = kColours.band;
        g.strokeStyle = kColours.curve[this.channel];
        g.lineWidth = 1;
        for (const at of [left, right]) {
            g.fillRect(at - 4, y - 4, 8, 8);
            g.strokeRect(at - 4.5, y - 4.5, 9, 9);
        }
    }

    drawCurve(g, plot, values, colour) {
        if (!values || values.length !== this.frequencies.length)
            return;
        g.save();
        g.beginPath();
        g.rect(plot.left, plot.top, plot.width, plot.height);
        g.clip();
        g.strokeStyle = colour;
        g.lineWidth = 2;
        g.lineJoin = 'round';
        g.beginPath();
        values.forEach((db, i) => {
            const x = this.x(plot, this.frequencies[i]);
            const y = this.y(plot, db);
            if (i === 0)
                g.moveTo(x, y);
            else
                g.lineTo(x, y);
        });
        g.stroke();
        g.restore();
    }

    placeHandles(plot) {
        const handles = this.curve?.handles || [];
        this.handles.forEach((handle, i) => {
            const at = handles[i];
            handle.hidden = !at;
            if (!at)
                return;
            handle.style.left = `${this.x(plot, at.frequencyHz)}px`;
            handle.style.top = `${this.y(plot, at.gainDb)}px`;
            handle.classList.toggle('picked', i === this.picked);
            handle.setAttribute('aria-pressed', String(i === this.picked));
        });
    }

    // The accessible name of each handle: the band as the window speaks it.
    nameHandles(names) {
        this.handles.forEach((handle, i) => handle.setAttribute('aria-label', names[i] || ''));
    }

    bandOf(element) {
        const handle = element.closest?.('.handle');
        return handle && this.box.contains(handle) ? Number(handle.dataset.band) : -1;
    }

    local(event) {
        const box = this.box.getBoundingClientRect();
        return { x: event.clientX - box.left, y: event.clientY - box.top };
    }

    // The band whose handle is nearest to a point, within reach of a finger or the mouse; -1 for none.
    nearestBand(at, reach) {
        const plot = this.plot();
        let best = -1;
        let bestDistance = reach;
        (this.curve?.handles || []).forEach((handle, i) => {
            const distance = Math.hypot(at.x - this.x(plot, handle.frequencyHz), at.y - this.y(plot, handle.gainDb));
            if (distance <= bestDistance) {
                best = i;
                bestDistance = distance;
            }
        });
        return best;
    }

    onPointerDown(event) {
        const at = this.local(event);
        this.pointers.set(event.pointerId, at);
        const band = this.drag ? -1 : this.nearestBand(at, event.pointerType === 'mouse' ? kMouseReach : kFingerReach);
        if (band >= 0) {
            event.preventDefault();
            const handle = this.curve.handles[band];
            const plot = this.plot();
            this.drag = {
                pointerId: event.pointerId, band,
                dx: at.x - this.x(plot, handle.frequencyHz), dy: at.y - this.y(plot, handle.gainDb),
                last: { frequencyHz: handle.frequencyHz, gainDb: handle.gainDb },
            };
            this.box.setPointerCapture(event.pointerId);
            this.handles[band].focus({ preventScroll: true });
            this.actions.pick(band);
            this.showFinger(at);
        } else if (this.drag && !this.pinch && this.bands[this.drag.band]?.type === 'peak') {
            event.preventDefault();
            this.box.setPointerCapture(event.pointerId);
            this.pinch = { pointerId: event.pointerId, distance: this.spread(), width: this.bands[this.drag.band].widthOctaves };
        }
    }

    spread() {
        const [a, b] = [...this.pointers.values()];
        return a && b ? Math.max(8, Math.hypot(a.x - b.x, a.y - b.y)) : 0;
    }

    onPointerMove(event) {
        if (!this.pointers.has(event.pointerId))
            return;
        const at = this.local(event);
        this.pointers.set(event.pointerId, at);
        const drag = this.drag;
        if (!drag)
            return;
        event.preventDefault();
        if (this.pinch) {
            const width = hundredths(clamp(this.pinch.width * this.spread() / this.pinch.distance, kMinWidth, kMaxWidth));
            this.actions.change(drag.band, { widthOctaves: width }, true);
            return;
        }
        if (event.pointerId !== drag.pointerId)
            return;
        const plot = this.plot();
        const change = { frequencyHz: this.frequencyAt(plot, at.x - drag.dx), gainDb: this.gainAt(plot, at.y - drag.dy) };
        this.showFinger(at);
        if (change.frequencyHz === drag.last.frequencyHz && change.gainDb === drag.last.gainDb)
            return;
        drag.last = change;
        this.actions.change(drag.band, change, true);
    }

    onPointerUp(event) {
        this.pointers.delete(event.pointerId);
        if (this.pinch && (event.pointerId === this.pinch.pointerId || event.pointerId === this.drag?.pointerId))
            this.pinch = null;
        if (this.drag && event.pointerId === this.drag.pointerId) {
            this.drag = null;
            this.finger.hidden = true;
            this.actions.end();   // the drag is one step of the unit's undo history
        }
    }

    showFinger(at) {
        this.finger.hidden = false;
        this.finger.style.left = `${at.x}px`;
        this.finger.style.top = `${at.y}px`;
    }

    onKey(event) {
        const band = this.bandOf(event.target);
        if (band < 0 || event.ctrlKey || event.altKey || event.metaKey)
            return;
        const pick = kBandKeys.indexOf(event.key);
        if (pick >= 0) {
            event.preventDefault();
            this.handles[pick].focus();
            return;
        }
        const change = this.keyChange(band, event.key, event.shiftKey ? kShiftSteps : 1);
        if (change === undefined)
            return;
        event.preventDefault();
        if (change)
            this.actions.change(band, change);
    }

    // The band's settings after one key, within the limits of a drag; null when the key changes nothing.
    keyChange(band, key, steps) {
        const handle = this.curve.handles[band];
        const settings = this.bands[band];
        switch (key) {
        case 'ArrowLeft':
        case 'ArrowRight':
            return { frequencyHz: this.stepFrequency(handle.frequencyHz, key === 'ArrowRight' ? steps : -steps) };
        case 'ArrowUp':
        case 'ArrowDown':
            return { gainDb: tenths(clamp(handle.gainDb + (key === 'ArrowUp' ? steps : -steps) / 10, -kMaxBandDb, kMaxBandDb)) };
        case 'PageUp':
        case 'PageDown':
            if (settings.type !== 'peak' || typeof settings.widthOctaves !== 'number')
                return null;
            return { widthOctaves: hundredths(clamp(roundTo(settings.widthOctaves, 0.01) + (key === 'PageUp' ? steps : -steps) / 100,
                kMinWidth, kMaxWidth)) };
        case 'Home':
            return { gainDb: 0 };
        default:
            return undefined;
        }
    }

    // The frequency steps along the server's grid, in whole hertz, as the window's keys do.
    stepFrequency(hz, steps) {
        const grid = this.frequencies.map(Math.round).filter(f => f >= kMinHz && f <= kMaxHz);
        let at = hz;
        for (let i = 0; i < Math.abs(steps); ++i) {
            const next = steps > 0 ? grid.find(f => f > at) : grid.findLast(f => f < at);
            at = next ?? at;
        }
        return at;
    }
}
