// The unit's state as the server tells it, and the page's changes on their way
// to it, in order.

function isObject(value) {
    return value !== null && typeof value === 'object' && !Array.isArray(value);
}

function isEmptyObject(value) {
    return isObject(value) && Object.keys(value).length === 0;
}

// target with a sparse change merged in, as the server forms its changes: an
// object changes key by key (null removes a key), an array entry by entry and
// may stop early, an entry given as {} staying as it is; anything else replaces.
export function mergePatch(target, patch) {
    if (Array.isArray(patch)) {
        const merged = Array.isArray(target) ? target.slice() : [];
        patch.forEach((entry, i) => {
            if (i >= merged.length)
                merged.push(mergePatch(undefined, entry));
            else if (!isEmptyObject(entry))
                merged[i] = mergePatch(merged[i], entry);
        });
        return merged;
    }
    if (isObject(patch)) {
        const merged = isObject(target) ? { ...target } : {};
        for (const [key, value] of Object.entries(patch)) {
            if (value === null)
                delete merged[key];
            else
                merged[key] = mergePatch(merged[key], value);
        }
        return merged;
    }
    return patch;
}

// A sparse PATCH of one channel's settings: {"channels": [{}, {...}]}.
export function channelPatch(channel, change) {
    const channels = [];
    for (let c = 0; c <= channel; ++c)
        channels.push(c === channel ? change : {});
    return { channels };
}

// A sparse PATCH of one band: {"channels": [{"bands": [{}, {}, {...}]}]}.
export function bandPatch(channel, band, change) {
    const bands = [];
    for (let b = 0; b <= band; ++b)
        bands.push(b === band ? change : {});
    return channelPatch(channel, { bands });
}

// The page's requests, one at a time and in the order they were made. Settings
// changes that wait are merged into one, so a drag sends at most one change per
// animation frame and its last position always goes out; nothing waits while
// the page has lost the server: what waited is dropped and the caller told.
export class Sender {
    constructor(request) {
        this.request = request;   // (method, path, body) → Promise of {status, body}
        this.queue = [];
        this.busy = false;
        this.frameUsed = false;
    }

    // A settings change to the unit's path; resolves with the answer.
    patch(path, change) {
        const last = this.queue[this.queue.length - 1];
        if (last && last.method === 'PATCH' && last.path === path) {
            last.body = mergePatch(last.body, change);
            return last.answer;
        }
        return this.add('PATCH', path, change);
    }

    post(path, body) {
        return this.add('POST', path, body);
    }

    put(path, body) {
        return this.add('PUT', path, body);
    }

    add(method, path, body) {
        const entry = { method, path, body };
        entry.answer = new Promise(resolve => { entry.resolve = resolve; });
        this.queue.push(entry);
        this.pump();
        return entry.answer;
    }

    // Everything that waits is answered "not sent" (status 0).
    drop() {
        for (const entry of this.queue.splice(0))
            entry.resolve({ status: 0, body: {} });
    }

    pump() {
        if (this.busy || this.queue.length === 0)
            return;
        if (this.queue[0].method === 'PATCH' && this.frameUsed)
            return;   // the next animation frame pumps
        const entry = this.queue.shift();
        this.busy = true;
        if (entry.method === 'PATCH') {
            this.frameUsed = true;
            requestAnimationFrame(() => {
                this.frameUsed = false;
                this.pump();
            });
        }
        this.request(entry.method, entry.path, entry.body).then(answer => {
            this.busy = false;
            entry.resolve(answer);
            this.pump();
        });
    }
}
