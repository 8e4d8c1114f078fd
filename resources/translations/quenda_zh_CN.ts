<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>ButtonFace</name>
    <message>
        <source>Load</source>
        <translation>调用</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>保存</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>导出</translation>
    </message>
    <message>
        <source>Import</source>
        <translation>导入</translation>
    </message>
    <message>
        <source>Setting</source>
        <translation>设置</translation>
    </message>
    <message>
        <source>Notch Bypass</source>
        <translation>陷波旁路</translation>
    </message>
    <message>
        <source>Notch Clear</source>
        <translation>陷波清除</translation>
    </message>
    <message>
        <source>PEQ Bypass</source>
        <translation>均衡旁路</translation>
    </message>
    <message>
        <source>Chinese</source>
        <translation>中文</translation>
    </message>
</context>
<context>
    <name>CAboutDialog</name>
    <message>
        <source>About Quenda</source>
        <translation>关于 Quenda</translation>
    </message>
    <message>
        <source>Quenda version %1</source>
        <translation>Quenda %1 版</translation>
    </message>
    <message>
        <source>Control program for a two-channel USB audio processor</source>
        <translation>双通道 USB 音频处理器控制程序</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>&amp;About Quenda...</source>
        <translation>关于 Quenda(&amp;A)...</translation>
    </message>
</context>
<context>
    <name>CChannelPanel</name>
    <message>
        <source>%1 dB</source>
        <translation>%1 dB</translation>
    </message>
    <message>
        <source>%1 PEQ bypass</source>
        <translation>%1 PEQ 旁通</translation>
    </message>
    <message>
        <source>%1 notch bypass</source>
        <translation>%1 陷波旁通</translation>
    </message>
    <message>
        <source>%1 notch clear</source>
        <translation>%1 清除陷波</translation>
    </message>
    <message>
        <source>Static Notch</source>
        <translation>  静态滤波器</translation>
    </message>
    <message>
        <source>%1 static notch</source>
        <translation>%1 静态滤波器</translation>
    </message>
    <message>
        <source>FBX</source>
        <translation>移频</translation>
    </message>
    <message>
        <source>%1 FBX</source>
        <translation>%1 移频</translation>
    </message>
    <message>
        <source>NoiseGate</source>
        <translation>  噪声门</translation>
    </message>
    <message>
        <source>%1 noise gate</source>
        <translation>%1 噪声门</translation>
    </message>
    <message>
        <source>GAIN</source>
        <translation>增益</translation>
    </message>
    <message>
        <source>%1 mute</source>
        <translation>%1 静音</translation>
    </message>
    <message>
        <source>%1 gain</source>
        <translation>%1 增益</translation>
    </message>
    <message>
        <source>%1 gain in dB</source>
        <translation>%1 增益（dB）</translation>
    </message>
    <message>
        <source>COMPRESS</source>
        <translation>压缩器</translation>
    </message>
    <message>
        <source>Threshold</source>
        <translation>启动阀值</translation>
    </message>
    <message>
        <source>%1 threshold</source>
        <translation>%1 启动阀值</translation>
    </message>
    <message>
        <source> Attack</source>
        <translation>启动时间</translation>
    </message>
    <message>
        <source>%1 attack</source>
        <translation>%1 启动时间</translation>
    </message>
    <message>
        <source> Release</source>
        <translation>释放时间</translation>
    </message>
    <message>
        <source>%1 release</source>
        <translation>%1 释放时间</translation>
    </message>
    <message>
        <source>  Raito</source>
        <translation>压缩比例</translation>
    </message>
    <message>
        <source>%1 ratio</source>
        <translation>%1 压缩比例</translation>
    </message>
    <message>
        <source>%1, up</source>
        <translation>%1，增大</translation>
    </message>
    <message>
        <source>%1, down</source>
        <translation>%1，减小</translation>
    </message>
    <message>
        <source>%1 level</source>
        <translation>%1 电平</translation>
    </message>
    <message>
        <source>%1 level lamp %2</source>
        <translation>%1 电平灯 %2</translation>
    </message>
    <message>
        <source>%1 overload lamp</source>
        <translation>%1 过载灯</translation>
    </message>
</context>
<context>
    <name>CEqualizerGraph</name>
    <message>
        <source>%1 kHz</source>
        <translation>%1 kHz</translation>
    </message>
    <message>
        <source>%1 Hz</source>
        <translation>%1 Hz</translation>
    </message>
    <message>
        <source>%1 dB</source>
        <translation>%1 dB</translation>
    </message>
    <message>
        <source>low shelf, %1 dB per octave</source>
        <translation>低搁架，每倍频程 %1 dB</translation>
    </message>
    <message>
        <source>high shelf, %1 dB per octave</source>
        <translation>高搁架，每倍频程 %1 dB</translation>
    </message>
    <message>
        <source>%1 octaves</source>
        <translation>%1 倍频程</translation>
    </message>
    <message>
        <source>CH A equalizer</source>
        <translation>通道 A 均衡器</translation>
    </message>
    <message>
        <source>CH B equalizer</source>
        <translation>通道 B 均衡器</translation>
    </message>
    <message>
        <source>no band selected</source>
        <translation>未选中频段</translation>
    </message>
    <message>
        <source>%1 band %2, %3, %4, %5</source>
        <translation>%1 频段 %2，%3，%4，%5</translation>
    </message>
    <message>
        <source>Drag a band&apos;s number, or use the keys:
Tab, Shift+Tab: next, previous band
1 to 9, 0, -, =: bands 1 to 12
Left, Right: frequency
Up, Down: gain
Page Up, Page Down: wider, narrower
Home: 0 dB
with Shift: ten steps at a time</source>
        <translation>拖动频段的编号，或使用按键：
Tab、Shift+Tab：下一个、上一个频段
1 至 9、0、-、=：频段 1 至 12
左、右：频率
上、下：增益
Page Up、Page Down：加宽、变窄
Home：0 dB
按住 Shift：每次十步</translation>
    </message>
    <message>
        <source>Measured</source>
        <translation>实测</translation>
    </message>
    <message>
        <source>Predicted</source>
        <translation>预测</translation>
    </message>
</context>
<context>
    <name>CFilterFiles</name>
    <message>
        <source>Export filters</source>
        <translation>导出滤波器</translation>
    </message>
    <message>
        <source>Import filters</source>
        <translation>导入滤波器</translation>
    </message>
    <message>
        <source>Filter text (*.txt);;All files (*)</source>
        <translation>滤波器文本 (*.txt);;所有文件 (*)</translation>
    </message>
    <message>
        <source>The file has filters for several channels. Import those of:</source>
        <translation>该文件含有多个声道的滤波器。导入以下声道的滤波器:</translation>
    </message>
    <message>
        <source>The file cannot be imported: %1</source>
        <translation>无法导入该文件:%1</translation>
    </message>
    <message>
        <source>%1 holds no peaking or shelf filter and no preamp.</source>
        <translation>%1 中没有峰值或搁架滤波器,也没有前级增益。</translation>
    </message>
    <message>
        <source>The filters were written to %1</source>
        <translation>滤波器已写入 %1</translation>
    </message>
    <message>
        <source>The file cannot be written: %1</source>
        <translation>无法写入该文件:%1</translation>
    </message>
</context>
<context>
    <name>CFitDialog</name>
    <message>
        <source>Fit bands to the measurement</source>
        <translation>将频段拟合到测量曲线</translation>
    </message>
    <message>
        <source>Flat</source>
        <translation>平直</translation>
    </message>
    <message>
        <source>Choose a target curve…</source>
        <translation>选择目标曲线…</translation>
    </message>
    <message>
        <source> Hz</source>
        <translation> Hz</translation>
    </message>
    <message>
        <source>to</source>
        <translation>至</translation>
    </message>
    <message>
        <source> dB</source>
        <translation> dB</translation>
    </message>
    <message>
        <source>none: cuts only</source>
        <translation>无:仅衰减</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>应用</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Target:</source>
        <translation>目标:</translation>
    </message>
    <message>
        <source>Range:</source>
        <translation>范围:</translation>
    </message>
    <message>
        <source>Largest boost:</source>
        <translation>最大提升:</translation>
    </message>
    <message>
        <source>Bands to use:</source>
        <translation>使用频段数:</translation>
    </message>
    <message>
        <source>Choose a target curve</source>
        <translation>选择目标曲线</translation>
    </message>
    <message>
        <source>The target curve cannot be used: %1</source>
        <translation>无法使用该目标曲线:%1</translation>
    </message>
    <message numerus="yes">
        <source>%n band(s) used</source>
        <translation>
            <numerusform>使用了 %n 个频段</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>CLevelMeter</name>
    <message>
        <source>%1 of %2</source>
        <translation>%1/%2</translation>
    </message>
    <message>
        <source>%1, overload</source>
        <translation>%1，过载</translation>
    </message>
</context>
<context>
    <name>CMainWindow</name>
    <message>
        <source>  Rate</source>
        <translation>检测速度</translation>
    </message>
    <message>
        <source>Panel Lock</source>
        <translation>    面板锁</translation>
    </message>
    <message>
        <source>Channel Link</source>
        <translation>    通道联调</translation>
    </message>
    <message>
        <source>Import settings from a file</source>
        <translation>从文件导入设置</translation>
    </message>
    <message>
        <source>Export settings to a file</source>
        <translation>将设置导出到文件</translation>
    </message>
    <message>
        <source>Fast</source>
        <translation>快 速</translation>
    </message>
    <message>
        <source>Default</source>
        <translation>默 认</translation>
    </message>
    <message>
        <source>Slowest</source>
        <translation>慢 速</translation>
    </message>
    <message>
        <source>UnLock  </source>
        <translation>解  锁</translation>
    </message>
    <message>
        <source>1st Lock</source>
        <translation>一级锁</translation>
    </message>
    <message>
        <source>2st Lock</source>
        <translation>二级锁</translation>
    </message>
    <message>
        <source>UnLink  </source>
        <translation>取消联调</translation>
    </message>
    <message>
        <source>A&amp;B Link</source>
        <translation>A&amp;B联调</translation>
    </message>
    <message>
        <source>Data out of range</source>
        <translation>数据超出范围</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>撤销</translation>
    </message>
    <message>
        <source>Redo</source>
        <translation>重做</translation>
    </message>
    <message>
        <source>Import filters…</source>
        <translation>导入滤波器…</translation>
    </message>
    <message>
        <source>Export filters…</source>
        <translation>导出滤波器…</translation>
    </message>
    <message>
        <source>Name this unit…</source>
        <translation>为此设备命名…</translation>
    </message>
    <message>
        <source>Connect to:</source>
        <translation>连接到:</translation>
    </message>
    <message>
        <source>A/B compare: the unit has %1. Click or press Ctrl+B to hear %2.</source>
        <translation>A/B 比较：设备现在用 %1。单击或按 Ctrl+B 听 %2。</translation>
    </message>
    <message>
        <source>Switch to %1</source>
        <translation>切换到 %1</translation>
    </message>
    <message>
        <source>Copy A to B</source>
        <translation>把 A 复制到 B</translation>
    </message>
    <message>
        <source>Copy B to A</source>
        <translation>把 B 复制到 A</translation>
    </message>
    <message>
        <source>Copy %1 to %2</source>
        <translation>把 %1 复制到 %2</translation>
    </message>
    <message>
        <source>USB connection</source>
        <translation>USB 连接</translation>
    </message>
    <message>
        <source>Load a preset</source>
        <translation>调用预设</translation>
    </message>
    <message>
        <source>Save a preset</source>
        <translation>保存预设</translation>
    </message>
    <message>
        <source>Switch the language</source>
        <translation>切换语言</translation>
    </message>
    <message>
        <source>A/B compare</source>
        <translation>A/B 比较</translation>
    </message>
    <message>
        <source>Show measurement…</source>
        <translation>显示测量曲线…</translation>
    </message>
    <message>
        <source>Hide measurement</source>
        <translation>隐藏测量曲线</translation>
    </message>
    <message>
        <source>The measurement cannot be shown: %1</source>
        <translation>无法显示该测量曲线:%1</translation>
    </message>
    <message>
        <source>Show measurement</source>
        <translation>显示测量曲线</translation>
    </message>
    <message>
        <source>%1 is shown on %2.</source>
        <translation>%1 已显示在 %2 上。</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>断开连接</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>连接</translation>
    </message>
    <message>
        <source>Load a preset…</source>
        <translation>调用预设…</translation>
    </message>
    <message>
        <source>Save a preset…</source>
        <translation>保存预设…</translation>
    </message>
    <message>
        <source>Remote control…</source>
        <translation>远程控制…</translation>
    </message>
    <message numerus="yes">
        <source> — %n remote device(s) connected</source>
        <translation>
            <numerusform> — 已连接 %n 台远程设备</numerusform>
        </translation>
    </message>
    <message>
        <source>Fit bands to the measurement…</source>
        <translation>将频段拟合到测量曲线…</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>设置</translation>
    </message>
    <message>
        <source>Rate</source>
        <translation>检测速度</translation>
    </message>
</context>
<context>
    <name>CMeterLamp</name>
    <message>
        <source>lit</source>
        <translation>亮</translation>
    </message>
    <message>
        <source>dark</source>
        <translation>暗</translation>
    </message>
</context>
<context>
    <name>CPresetDialog</name>
    <message>
        <source>Saving preset %1…</source>
        <translation>正在保存第 %1 组…</translation>
    </message>
    <message>
        <source>Loading preset %1…</source>
        <translation>正在调用第 %1 组…</translation>
    </message>
    <message>
        <source>Preset %1 saved</source>
        <translation>第 %1 组已保存</translation>
    </message>
    <message>
        <source>Preset %1 loaded</source>
        <translation>第 %1 组已调用</translation>
    </message>
    <message>
        <source>The unit did not answer: preset %1 was not saved</source>
        <translation>设备无应答:第 %1 组未保存</translation>
    </message>
    <message>
        <source>The unit did not answer: preset %1 was not loaded</source>
        <translation>设备无应答:第 %1 组未调用</translation>
    </message>
    <message>
        <source>Load</source>
        <translation>调用</translation>
    </message>
    <message>
        <source>Please select one group</source>
        <comment>loading</comment>
        <translation>请选择调用组</translation>
    </message>
    <message>
        <source>Load successful</source>
        <translation>调用成功</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>保存</translation>
    </message>
    <message>
        <source>Please select one group</source>
        <comment>saving</comment>
        <translation>请选择保存组</translation>
    </message>
    <message>
        <source>Save successful</source>
        <translation>保存成功</translation>
    </message>
</context>
<context>
    <name>CPresetList</name>
    <message>
        <source>ID</source>
        <translation>序号</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>组名</translation>
    </message>
</context>
<context>
    <name>CRemoteDialog</name>
    <message>
        <source>HTTPS certificate</source>
        <translation>HTTPS 证书</translation>
    </message>
    <message>
        <source>Key of the certificate</source>
        <translation>证书的密钥</translation>
    </message>
    <message>
        <source>Remote control</source>
        <translation>远程控制</translation>
    </message>
    <message>
        <source>Let paired phones, tablets and scripts control the unit</source>
        <translation>允许已配对的手机、平板和脚本控制设备</translation>
    </message>
    <message>
        <source>Only this computer</source>
        <translation>仅本机</translation>
    </message>
    <message>
        <source>This network</source>
        <translation>本网络</translation>
    </message>
    <message>
        <source>Port:</source>
        <translation>端口：</translation>
    </message>
    <message>
        <source>HTTPS certificate:</source>
        <translation>HTTPS 证书：</translation>
    </message>
    <message>
        <source>Key:</source>
        <translation>密钥：</translation>
    </message>
    <message>
        <source>HTTPS (optional)</source>
        <translation>HTTPS（可选）</translation>
    </message>
    <message>
        <source>Choose…</source>
        <translation>选择…</translation>
    </message>
    <message>
        <source>Choose the HTTPS certificate</source>
        <translation>选择 HTTPS 证书</translation>
    </message>
    <message>
        <source>Choose the key of the certificate</source>
        <translation>选择证书的密钥</translation>
    </message>
    <message>
        <source>Address:</source>
        <translation>地址：</translation>
    </message>
    <message>
        <source>Pairing code:</source>
        <translation>配对码：</translation>
    </message>
    <message>
        <source>New code</source>
        <translation>新配对码</translation>
    </message>
    <message>
        <source>Paired devices:</source>
        <translation>已配对的设备：</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>名称</translation>
    </message>
    <message>
        <source>Last use</source>
        <translation>最近使用</translation>
    </message>
    <message>
        <source>Forget</source>
        <translation>忘记</translation>
    </message>
    <message>
        <source>Forget all</source>
        <translation>全部忘记</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>关闭</translation>
    </message>
    <message>
        <source>QR code of the pairing link</source>
        <translation>配对链接的二维码</translation>
    </message>
    <message>
        <source>Remote control is off</source>
        <translation>远程控制已关闭</translation>
    </message>
    <message>
        <source>Valid for %1:%2 and one device</source>
        <translation>有效期 %1:%2，限一台设备</translation>
    </message>
    <message>
        <source>PEM files (*.pem *.crt *.key);;All files (*)</source>
        <translation>PEM 文件 (*.pem *.crt *.key);;所有文件 (*)</translation>
    </message>
</context>
<context>
    <name>CSettingsFiles</name>
    <message>
        <source>Export</source>
        <translation>导出</translation>
    </message>
    <message>
        <source>Import</source>
        <translation>导入</translation>
    </message>
    <message>
        <source>What shall the file hold?</source>
        <translation>文件中保存哪些内容?</translation>
    </message>
    <message>
        <source>Current settings</source>
        <translation>当前设置</translation>
    </message>
    <message>
        <source>All 20 presets and current settings</source>
        <translation>全部 20 组预设和当前设置</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>The file cannot be imported: %1</source>
        <translation>无法导入该文件:%1</translation>
    </message>
    <message>
        <source>The file holds all 20 presets. Write them into the unit&apos;s presets, overwriting them?</source>
        <translation>该文件包含全部 20 组预设。是否写入设备并覆盖设备中的预设?</translation>
    </message>
    <message>
        <source>The file holds no current settings to import.</source>
        <translation>该文件不包含可导入的当前设置。</translation>
    </message>
    <message>
        <source>Sending the current settings…</source>
        <translation>正在发送当前设置…</translation>
    </message>
    <message>
        <source>Reading preset %1 of 20…</source>
        <translation>正在读取第 %1 组(共 20 组)…</translation>
    </message>
    <message>
        <source>Writing preset %1 of 20…</source>
        <translation>正在写入第 %1 组(共 20 组)…</translation>
    </message>
    <message>
        <source>The 20 presets of %1 were written into the unit</source>
        <translation>%1 的 20 组预设已写入设备</translation>
    </message>
    <message>
        <source>The settings of %1 were sent to the unit</source>
        <translation>%1 的设置已发送到设备</translation>
    </message>
    <message>
        <source>Cancelled after preset %1: the current settings were sent back; no file was written</source>
        <translation>已在第 %1 组后取消:当前设置已发回设备,未写入文件</translation>
    </message>
    <message>
        <source>Cancelled after preset %1: the current settings were sent back</source>
        <translation>已在第 %1 组后取消:当前设置已发回设备</translation>
    </message>
    <message>
        <source>The unit did not answer: the settings were not transferred</source>
        <translation>设备无应答:设置未传送</translation>
    </message>
    <message>
        <source>The unit was disconnected: the settings were not transferred</source>
        <translation>设备已断开:设置未传送</translation>
    </message>
    <message>
        <source>The settings were written to %1</source>
        <translation>设置已写入 %1</translation>
    </message>
    <message>
        <source>The file cannot be written: %1</source>
        <translation>无法写入该文件:%1</translation>
    </message>
</context>
<context>
    <name>CSkinnedButton</name>
    <message>
        <source>on</source>
        <translation>开</translation>
    </message>
    <message>
        <source>off</source>
        <translation>关</translation>
    </message>
</context>
<context>
    <name>CUnitNameDialog</name>
    <message>
        <source>The unit %1 already has the name %2. Choose another name.</source>
        <translation>设备 %1 已使用名称 %2，请另选一个名称。</translation>
    </message>
    <message>
        <source>Name this unit</source>
        <translation>为此设备命名</translation>
    </message>
    <message>
        <source>Name of the unit %1:</source>
        <translation>设备 %1 的名称:</translation>
    </message>
</context>
<context>
    <name>Channel</name>
    <message>
        <source>CH %1</source>
        <translation>通道 %1</translation>
    </message>
</context>
<context>
    <name>FilterFile</name>
    <message>
        <source>%1 is larger than a filter file can be (at most %2)</source>
        <translation>%1 超出了滤波器文件的大小上限(最多 %2)</translation>
    </message>
    <message>
        <source>refused</source>
        <translation>拒绝</translation>
    </message>
    <message>
        <source>left out</source>
        <translation>未导入</translation>
    </message>
    <message>
        <source>adjusted</source>
        <translation>已调整</translation>
    </message>
    <message>
        <source>line longer than %1 characters</source>
        <translation>行长超过 %1 个字符</translation>
    </message>
    <message>
        <source>more than %1 channel names</source>
        <translation>声道名称超过 %1 个</translation>
    </message>
    <message>
        <source>not a filter, preamp or channel line</source>
        <translation>不是滤波器、前级增益或声道行</translation>
    </message>
    <message>
        <source>%1 lines are not imported</source>
        <translation>%1 行不会被导入</translation>
    </message>
    <message>
        <source>%1 is not a peaking or shelf filter</source>
        <translation>%1 不是峰值或搁架滤波器</translation>
    </message>
    <message>
        <source>unexpected &quot;%1&quot;</source>
        <translation>无法识别的&quot;%1&quot;</translation>
    </message>
    <message>
        <source>no frequency (Fc) given</source>
        <translation>未给出频率(Fc)</translation>
    </message>
    <message>
        <source>no gain given</source>
        <translation>未给出增益</translation>
    </message>
    <message>
        <source>no Q or BW given</source>
        <translation>未给出 Q 或 BW</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not a number</source>
        <translation>&quot;%1&quot; 不是数字</translation>
    </message>
    <message>
        <source>Fc %1 Hz is outside 0..24000 Hz</source>
        <translation>Fc %1 Hz 超出 0..24000 Hz</translation>
    </message>
    <message>
        <source>gain %1 dB is outside -60..60 dB</source>
        <translation>增益 %1 dB 超出 -60..60 dB</translation>
    </message>
    <message>
        <source>%1 is outside Q 0..100 and BW 0..10 octaves</source>
        <translation>%1 超出 Q 0..100、BW 0..10 倍频程的范围</translation>
    </message>
    <message>
        <source>slope %1 dB is outside 0..48 dB per octave</source>
        <translation>斜率 %1 dB 超出每倍频程 0..48 dB</translation>
    </message>
    <message>
        <source>a slope of %1 dB overshoots at this gain</source>
        <translation>在此增益下 %1 dB 的斜率会产生过冲</translation>
    </message>
    <message>
        <source>preamp %1 dB is outside -100..100 dB</source>
        <translation>前级增益 %1 dB 超出 -100..100 dB</translation>
    </message>
    <message>
        <source>switched off</source>
        <translation>已关闭</translation>
    </message>
    <message>
        <source>beyond the unit&apos;s 12 bands</source>
        <translation>超出设备的 12 个频段</translation>
    </message>
    <message>
        <source>frequency limited to %1 Hz</source>
        <translation>频率限制为 %1 Hz</translation>
    </message>
    <message>
        <source>gain limited to %1 dB</source>
        <translation>增益限制为 %1 dB</translation>
    </message>
    <message>
        <source>width limited to %1 octaves</source>
        <translation>带宽限制为 %1 倍频程</translation>
    </message>
    <message>
        <source>preamp limited to %1 dB</source>
        <translation>前级增益限制为 %1 dB</translation>
    </message>
    <message>
        <source>line %1: %2: %3</source>
        <translation>第 %1 行:%2:%3</translation>
    </message>
    <message>
        <source>took %1 of the file&apos;s filters into %2</source>
        <translation>已将文件中的 %1 个滤波器导入 %2</translation>
    </message>
    <message>
        <source>, bands %1..%2 flat</source>
        <translation>,频段 %1..%2 为平直</translation>
    </message>
    <message>
        <source>, band %1 flat</source>
        <translation>,频段 %1 为平直</translation>
    </message>
    <message>
        <source>, gain %1 dB</source>
        <translation>,增益 %1 dB</translation>
    </message>
    <message>
        <source>largest difference from the file&apos;s curve: %1 dB at %2 Hz</source>
        <translation>与文件曲线的最大差异:%2 Hz 处 %1 dB</translation>
    </message>
    <message>
        <source>%1 filter lines are more than a filter file may have (at most %2)</source>
        <translation>%1 行滤波器超出了滤波器文件的上限(最多 %2 行)</translation>
    </message>
    <message>
        <source>… and %1 more</source>
        <translation>…… 另有 %1 行</translation>
    </message>
</context>
<context>
    <name>FitReport</name>
    <message>
        <source>%1–%2 Hz</source>
        <translation>%1–%2 Hz</translation>
    </message>
    <message>
        <source>a fit uses %1 to %2 bands, not %3</source>
        <translation>拟合使用 %1 到 %2 个频段,而不是 %3</translation>
    </message>
    <message>
        <source>the largest boost is 0 to %1 dB, not %2</source>
        <translation>最大提升为 0 到 %1 dB,而不是 %2</translation>
    </message>
    <message>
        <source>the range %1 is not one within %2–%3 Hz</source>
        <translation>范围 %1 不在 %2–%3 Hz 之内</translation>
    </message>
    <message>
        <source>the range %1 reaches beyond the measurement, which spans %2</source>
        <translation>范围 %1 超出了测量曲线的范围 %2</translation>
    </message>
    <message>
        <source>the range %1 holds fewer than %2 of the unit&apos;s frequencies (1/24 octave apart)</source>
        <translation>范围 %1 内的设备频率点(相隔 1/24 倍频程)少于 %2 个</translation>
    </message>
    <message>
        <source>a fit needs at least %1 measured points in %2; the measurement has %3</source>
        <translation>拟合需要 %2 内至少 %1 个测量点;该测量曲线只有 %3 个</translation>
    </message>
    <message>
        <source>RMS difference from the target: %1 dB → %2 dB</source>
        <translation>与目标的均方根差异:%1 dB → %2 dB</translation>
    </message>
    <message>
        <source>largest difference: %1 dB at %2 Hz → %3 dB at %4 Hz</source>
        <translation>最大差异:%2 Hz 处 %1 dB → %4 Hz 处 %3 dB</translation>
    </message>
    <message>
        <source>the gain of %1 goes down %2 dB, to %3 dB, for the bands&apos; largest boost of +%4 dB</source>
        <translation>%1 的增益降低 %2 dB,降至 %3 dB,以抵消频段的最大提升 +%4 dB</translation>
    </message>
    <message>
        <source>the measurement with the bands of %1 is already within %2 dB RMS of the target: the bands stay as they are</source>
        <translation>测量曲线加上 %1 的频段与目标的均方根差异已在 %2 dB 以内:频段保持不变</translation>
    </message>
</context>
<context>
    <name>Link</name>
    <message>
        <source>Can&apos;t find the device, please check it</source>
        <translation>没找到设备,请检查是否连接好</translation>
    </message>
    <message>
        <source>Device disconnect</source>
        <translation>设备断开联连</translation>
    </message>
    <message>
        <source>Not enough memory!</source>
        <translation>内存不足!</translation>
    </message>
    <message>
        <source>Don&apos;t open the USB connection</source>
        <translation>没打开USB联接</translation>
    </message>
    <message>
        <source>Find the device</source>
        <translation>设备已找到</translation>
    </message>
    <message>
        <source>Can not find device</source>
        <translation>设备未找到</translation>
    </message>
    <message>
        <source>The unit is attached but may not be opened: no access to its hidraw node</source>
        <translation>设备已连接,但没有访问其 hidraw 设备节点的权限,无法打开</translation>
    </message>
    <message>
        <source>The unit is attached at %1, but this user may not open it. Install the quenda package, which brings the udev rule that gives access, or install the rule with this command:

%2

then unplug the unit and plug it in again.</source>
        <translation>设备已连接在 %1,但当前用户无权打开。请安装 quenda 软件包(其中带有提供访问权限的 udev 规则),或用以下命令安装该规则:

%2

然后拔下设备再重新插入。</translation>
    </message>
    <message>
        <source>The unit at %1 is in use by another program: %2. Close that program, then press the USB button again.</source>
        <translation>设备 %1 正被另一个程序使用:%2。请关闭该程序,然后再按 USB 按钮。</translation>
    </message>
    <message>
        <source>process %1</source>
        <translation>进程 %1</translation>
    </message>
    <message>
        <source>process %1 (%2)</source>
        <translation>进程 %1 (%2)</translation>
    </message>
</context>
<context>
    <name>MeasurementFile</name>
    <message>
        <source>holds more than %1 points, the most a measurement may have</source>
        <translation>数据点多于 %1 个,超出了测量曲线的上限</translation>
    </message>
    <message>
        <source>holds fewer than %1 points between %2 Hz and %3 kHz</source>
        <translation>%2 Hz 至 %3 kHz 之间的数据点少于 %1 个</translation>
    </message>
    <message>
        <source>%1 is larger than a measurement file can be (at most %2)</source>
        <translation>%1 超出了测量文件的大小上限(最多 %2)</translation>
    </message>
    <message numerus="yes">
        <source>%n line(s) without a point skipped</source>
        <translation>
            <numerusform>跳过了 %n 行没有数据点的内容</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n point(s) at a frequency given before left out</source>
        <translation>
            <numerusform>略去了 %n 个频率重复的数据点</numerusform>
        </translation>
    </message>
    <message>
        <source>no point between %1 Hz and %2 kHz: the average of all points is at 0 dB</source>
        <translation>%1 Hz 至 %2 kHz 之间没有数据点:以全部数据点的平均值为 0 dB</translation>
    </message>
    <message>
        <source>Show measurement</source>
        <translation>显示测量曲线</translation>
    </message>
    <message>
        <source>Measurements (*.txt *.frd *.csv);;All files (*)</source>
        <translation>测量曲线 (*.txt *.frd *.csv);;所有文件 (*)</translation>
    </message>
</context>
<context>
    <name>SettingsFile</name>
    <message>
        <source>a number</source>
        <translation>数值</translation>
    </message>
    <message>
        <source>a string</source>
        <translation>字符串</translation>
    </message>
    <message>
        <source>an object</source>
        <translation>对象</translation>
    </message>
    <message>
        <source>an array</source>
        <translation>数组</translation>
    </message>
    <message>
        <source>true or false</source>
        <translation>true 或 false</translation>
    </message>
    <message>
        <source> or </source>
        <translation> 或 </translation>
    </message>
    <message>
        <source>not valid JSON: %1 at offset %2</source>
        <translation>不是有效的 JSON：%1（位置 %2）</translation>
    </message>
    <message>
        <source>missing</source>
        <translation>缺少此项</translation>
    </message>
    <message>
        <source>unknown field</source>
        <translation>未知的项</translation>
    </message>
    <message>
        <source>expected %1, found %2</source>
        <comment>a kind of value</comment>
        <translation>应为%1，实为 %2</translation>
    </message>
    <message>
        <source>expected %1, found %2</source>
        <comment>a value as the file writes it</comment>
        <translation>应为 %1，实为 %2</translation>
    </message>
    <message>
        <source>version %1 is not supported (this program reads version %2)</source>
        <translation>不支持版本 %1（本程序读取版本 %2）</translation>
    </message>
    <message>
        <source>%1 is outside %2..%3</source>
        <translation>%1 超出范围 %2..%3</translation>
    </message>
    <message>
        <source>%1 is not a whole number</source>
        <translation>%1 不是整数</translation>
    </message>
    <message>
        <source>%1 is not a multiple of %2</source>
        <translation>%1 不是 %2 的整数倍</translation>
    </message>
    <message>
        <source>%1 is not one of %2</source>
        <translation>%1 不是 %2 之一</translation>
    </message>
    <message>
        <source>expected %1 entries, found %2</source>
        <translation>应有 %1 项，实有 %2 项</translation>
    </message>
    <message>
        <source>preset %1 appears twice</source>
        <translation>预设 %1 出现了两次</translation>
    </message>
    <message>
        <source>%1 differs from %2 %3</source>
        <translation>%1 与 %2 的 %3 不同</translation>
    </message>
    <message>
        <source>%1 has characters that GBK cannot hold</source>
        <translation>%1 含有 GBK 无法表示的字符</translation>
    </message>
    <message>
        <source>%1 takes %2 GBK bytes, at most 15</source>
        <translation>%1 占 %2 个 GBK 字节，最多 15 个</translation>
    </message>
    <message>
        <source>%1 contains a control character</source>
        <translation>%1 含有控制字符</translation>
    </message>
    <message>
        <source>true, but not all 12 band gains are 0 dB</source>
        <translation>为 true，但 12 个频段的增益并非都是 0 dB</translation>
    </message>
    <message>
        <source>false, but all 12 band gains are 0 dB</source>
        <translation>为 false，但 12 个频段的增益都是 0 dB</translation>
    </message>
    <message>
        <source>present while peqBypass is false</source>
        <translation>peqBypass 为 false 时不应有此项</translation>
    </message>
    <message>
        <source>%1 is not a hexadecimal word such as &quot;0x0483&quot;</source>
        <translation>%1 不是 &quot;0x0483&quot; 这样的十六进制数</translation>
    </message>
    <message>
        <source>%1 is not an ISO 8601 date and time in the years 1..9999 (UTC)</source>
        <translation>%1 不是 1..9999 年（UTC）之间的 ISO 8601 日期时间</translation>
    </message>
    <message>
        <source>cannot open the file: %1</source>
        <translation>无法打开文件：%1</translation>
    </message>
    <message>
        <source>cannot write the file: %1</source>
        <translation>无法写入文件：%1</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <comment>the path in the file, then what is wrong there</comment>
        <translation>%1：%2</translation>
    </message>
    <message>
        <source>not a regular file</source>
        <translation>不是普通文件</translation>
    </message>
    <message>
        <source>%1 is larger than a settings file can be (at most %2)</source>
        <translation>%1 超出设置文件的大小上限（最多 %2）</translation>
    </message>
</context>
<context>
    <name>StatusLine</name>
    <message>
        <source>%1 of %2</source>
        <translation>%2 的%1</translation>
    </message>
    <message>
        <source>EQ band %1</source>
        <translation>均衡第 %1 段</translation>
    </message>
    <message>
        <source>Gain and mute</source>
        <translation>增益与静音</translation>
    </message>
    <message>
        <source>Noise gate</source>
        <translation>噪声门</translation>
    </message>
    <message>
        <source>Compressor</source>
        <translation>压缩器</translation>
    </message>
    <message>
        <source>Notch settings</source>
        <translation>陷波设置</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>设置</translation>
    </message>
    <message>
        <source>Panel lock</source>
        <translation>面板锁</translation>
    </message>
    <message>
        <source>Channel link</source>
        <translation>通道联调</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>语言</translation>
    </message>
    <message>
        <source>%1 was not applied</source>
        <translation>%1未生效</translation>
    </message>
    <message numerus="yes">
        <source>%1 and %n other change(s) were not applied</source>
        <comment>%2: all the changes</comment>
        <translation>
            <numerusform>%1等 %2 项更改未生效</numerusform>
        </translation>
    </message>
    <message>
        <source>Not connected</source>
        <translation>未连接</translation>
    </message>
    <message>
        <source>The unit is attached but this user may not open it: install the udev rules (see README)</source>
        <translation>设备已连接,但当前用户无权打开:请安装 udev 规则(见 README)</translation>
    </message>
    <message>
        <source>Connected</source>
        <translation>已连接</translation>
    </message>
    <message>
        <source>Reconnected</source>
        <translation>已重新连接</translation>
    </message>
    <message numerus="yes">
        <source>Sending %n change(s)…</source>
        <translation>
            <numerusform>正在发送 %n 项更改…</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>The unit does not answer: %n change(s) not applied</source>
        <translation>
            <numerusform>设备无应答:%n 项更改未生效</numerusform>
        </translation>
    </message>
    <message>
        <source>Name of preset %1</source>
        <translation>第 %1 组的组名</translation>
    </message>
    <message>
        <source>EQ bands</source>
        <translation>全部均衡段</translation>
    </message>
    <message>
        <source>Saving preset %1</source>
        <translation>保存第 %1 组</translation>
    </message>
    <message>
        <source>Loading preset %1</source>
        <translation>调用第 %1 组</translation>
    </message>
    <message>
        <source>Reading the unit&apos;s settings</source>
        <translation>读取设备设置</translation>
    </message>
    <message>
        <source>The unit is in use by another program (process %1)</source>
        <translation>设备正被另一个程序使用(进程 %1)</translation>
    </message>
</context>
</TS>
