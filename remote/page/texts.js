// The page's texts in the unit's two languages. A text with %1, %2 … takes
// arguments in that order; the Chinese words are the window's where it has them.

const english = {
    title: 'Quenda',
    signInTitle: 'Pair this device',
    signInHint: 'Enter the 6-digit code that quenda serve prints, or that the window shows under "Remote control…". Or scan the pairing code with the camera.',
    code: 'Pairing code',
    deviceName: 'Name of this device',
    pair: 'Pair',
    pairing: 'Pairing…',
    wrongCode: 'The code is wrong, used or expired. Ask for a fresh one.',
    linkUsed: 'The pairing link is used or expired. Enter a fresh code.',
    locked: 'Too many wrong codes: pairing is locked for %1 s.',
    badName: 'The name must have 1 to 64 characters.',
    codeForm: 'The code has 6 digits.',
    forgotten: 'This device was forgotten on the unit\'s computer. Pair it again with a fresh code.',
    notPaired: 'This device is no longer paired with the unit\'s computer. Pair it again with a fresh code.',
    noServer: 'The unit\'s computer does not answer. Trying again…',
    noUnit: 'The server serves no unit yet.',
    unit: 'Unit',
    connected: 'Connected',
    notConnected: 'Not connected',
    reconnecting: 'Reconnecting…',
    notSent: 'Not sent: the connection is lost. The controls show the unit\'s values.',
    unitAway: 'The unit is not connected: the change was not applied.',
    notApplied: 'The unit did not answer: the change was not applied.',
    refused: 'Refused: %1',
    presets: 'Presets',
    loadPreset: 'Load preset',
    store: 'Save',
    storeLabel: 'Save as preset %1',
    rename: 'Rename',
    renameLabel: 'Rename preset %1',
    storeQuestion: 'Save the unit\'s current settings as preset %1 (%2)? What the preset holds now is replaced.',
    renameTitle: 'Name of preset %1',
    renameHint: 'At most 15 bytes in GBK: 15 Latin letters or 7 Chinese characters.',
    cancel: 'Cancel',
    ok: 'OK',
    loading: 'Loading preset %1…',
    saving: 'Saving preset %1…',
    loaded: 'Preset %1 loaded',
    saved: 'Preset %1 saved',
    notLoaded: 'The unit did not answer: preset %1 was not loaded',
    notSaved: 'The unit did not answer: preset %1 was not saved',
    named: 'Preset %1 is now called %2',
    undo: 'Undo',
    redo: 'Redo',
    compare: 'A/B',
    compareLabel: 'A/B compare: the unit has %1. Switch to hear %2.',
    history: 'History',
    channel: ['CH A', 'CH B'],
    mute: 'Mute',
    muted: 'Muted',
    muteLabel: '%1 mute',
    gain: 'Gain',
    gainLabel: '%1 gain',
    gainDown: '%1 gain down 1 dB',
    gainUp: '%1 gain up 1 dB',
    level: '%1 level',
    levelValue: 'level %1 of 9',
    overload: 'overload',
    equalizer: '%1 equalizer',
    graphKeys: 'Drag a band\'s number, and with a second finger or the width slider change its width. Keys: Tab walks the bands, 1 to 9, 0, -, = pick bands 1 to 12, Left and Right change the frequency, Up and Down the gain, Page Up and Page Down the width, Home sets 0 dB; with Shift ten steps at a time.',
    band: 'Band %1',
    noBand: 'no band selected',
    spokenBand: '%1 band %2, %3, %4, %5',
    hz: '%1 Hz',
    khz: '%1 kHz',
    db: '%1 dB',
    octaves: '%1 octaves',
    lowShelf: 'low shelf, %1 dB per octave',
    highShelf: 'high shelf, %1 dB per octave',
    frequencyField: 'Frequency (Hz)',
    gainField: 'Gain (dB)',
    widthField: 'Width (octaves)',
    widthSlider: '%1 band %2 width',
    pickBand: 'Tap a band\'s number on the graph to edit it.',
    outOfRange: '%1 is outside %2 to %3',
};

const chinese = {
    title: 'Quenda',
    signInTitle: '配对此设备',
    signInHint: '输入 quenda serve 打印的 6 位配对码，或窗口“远程控制…”中显示的配对码；也可以用相机扫描配对二维码。',
    code: '配对码',
    deviceName: '此设备的名称',
    pair: '配对',
    pairing: '正在配对…',
    wrongCode: '配对码错误、已使用或已过期，请获取新的配对码。',
    linkUsed: '配对链接已使用或已过期，请输入新的配对码。',
    locked: '错误次数过多：配对已锁定 %1 秒。',
    badName: '名称须为 1 到 64 个字符。',
    codeForm: '配对码为 6 位数字。',
    forgotten: '此设备已在控制电脑上被移除，请用新的配对码重新配对。',
    notPaired: '此设备已不再与控制电脑配对，请用新的配对码重新配对。',
    noServer: '控制电脑没有应答，正在重试…',
    noUnit: '服务器尚未提供任何设备。',
    unit: '设备',
    connected: '已连接',
    notConnected: '未连接',
    reconnecting: '正在重新连接…',
    notSent: '未发送：连接已断开。控件显示设备当前的值。',
    unitAway: '设备未连接：更改未生效。',
    notApplied: '设备无应答：更改未生效。',
    refused: '被拒绝：%1',
    presets: '预设',
    loadPreset: '调用预设',
    store: '保存',
    storeLabel: '保存为第 %1 组',
    rename: '重命名',
    renameLabel: '重命名第 %1 组',
    storeQuestion: '将设备当前设置保存为第 %1 组（%2）？该组原有内容将被替换。',
    renameTitle: '第 %1 组的组名',
    renameHint: 'GBK 编码最多 15 个字节：15 个英文字母或 7 个汉字。',
    cancel: '取消',
    ok: '确定',
    loading: '正在调用第 %1 组…',
    saving: '正在保存第 %1 组…',
    loaded: '第 %1 组已调用',
    saved: '第 %1 组已保存',
    notLoaded: '设备无应答:第 %1 组未调用',
    notSaved: '设备无应答:第 %1 组未保存',
    named: '第 %1 组已改名为 %2',
    undo: '撤销',
    redo: '重做',
    compare: 'A/B',
    compareLabel: 'A/B 比较：设备现在用 %1。切换后听 %2。',
    history: '历史',
    channel: ['通道 A', '通道 B'],
    mute: '静音',
    muted: '已静音',
    muteLabel: '%1 静音',
    gain: '增益',
    gainLabel: '%1 增益',
    gainDown: '%1 增益降低 1 dB',
    gainUp: '%1 增益提高 1 dB',
    level: '%1 电平',
    levelValue: '电平 %1 / 9',
    overload: '过载',
    equalizer: '%1 均衡器',
    graphKeys: '拖动频段编号即可移动频段，用第二根手指或带宽滑块改变带宽。按键：Tab 依次选择频段，1 到 9、0、-、= 选择频段 1 到 12，左右方向键改变频率，上下方向键改变增益，Page Up 和 Page Down 改变带宽，Home 设为 0 dB；按住 Shift 每次十步。',
    band: '频段 %1',
    noBand: '未选中频段',
    spokenBand: '%1 频段 %2，%3，%4，%5',
    hz: '%1 Hz',
    khz: '%1 kHz',
    db: '%1 dB',
    octaves: '%1 倍频程',
    lowShelf: '低搁架，每倍频程 %1 dB',
    highShelf: '高搁架，每倍频程 %1 dB',
    frequencyField: '频率 (Hz)',
    gainField: '增益 (dB)',
    widthField: '带宽 (倍频程)',
    widthSlider: '%1 频段 %2 带宽',
    pickBand: '点按图上的频段编号即可编辑该频段。',
    outOfRange: '%1 超出范围 %2 到 %3',
};

const languages = { english, chinese };
let current = english;

// The texts of a language: "english" or "chinese", as the unit names it.
export function useLanguage(language) {
    current = languages[language] || english;
    document.documentElement.lang = current === chinese ? 'zh-CN' : 'en';
}

// The language a browser that has not signed in yet asks for.
export function browserLanguage() {
    return (navigator.language || '').toLowerCase().startsWith('zh') ? 'chinese' : 'english';
}

// A text with its arguments put in.
export function t(key, ...args) {
    const text = current[key] ?? english[key] ?? key;
    return typeof text === 'string' ? text.replace(/%(\d)/g, (_, n) => String(args[n - 1] ?? '')) : text;
}

export function channelName(channel) {
    return current.channel[channel];
}

// Whole hertz below 1 kHz, kHz with two decimals from there, as the window speaks a frequency.
export function frequencyText(hz) {
    return hz >= 1000 ? t('khz', (hz / 1000).toFixed(2)) : t('hz', Math.round(hz));
}

// Tenths of a dB with a sign, 0 dB as 0.0 dB.
export function gainText(db) {
    const tenths = Math.round(db * 10);
    const sign = tenths > 0 ? '+' : tenths < 0 ? '-' : '';
    return t('db', sign + (Math.abs(tenths) / 10).toFixed(1));
}

// A peaking band's width; a shelf's kind and slope.
export function shapeText(band) {
    const slope = band.slope === '12dB/Oct' ? 12 : 6;
    if (band.type === 'lowShelf') return t('lowShelf', slope);
    if (band.type === 'highShelf') return t('highShelf', slope);
    return t('octaves', Number(band.widthOctaves).toFixed(2));
}

// "CH A band 3, 100 Hz, +3.0 dB, 1.00 octaves", as the window tells the picked band.
export function spokenBand(channel, index, band) {
    return t('spokenBand', channelName(channel), index + 1, frequencyText(band.frequencyHz), gainText(band.gainDb), shapeText(band));
}

// Fills in every element's text that names its key: data-text for the text, data-label for aria-label.
export function applyTexts(root = document) {
    for (const element of root.querySelectorAll('[data-text]'))
        element.textContent = t(element.dataset.text);
    for (const element of root.querySelectorAll('[data-label]'))
        element.setAttribute('aria-label', t(element.dataset.label));
    document.title = t('title');
}
