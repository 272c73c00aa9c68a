<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>Dialog</name>
    <message>
        <source>软件版本：V1.0</source>
        <translation>Software version: V1.0</translation>
    </message>
    <message>
        <source>驱动版本：V1.0</source>
        <translation>Driver version: V1.0</translation>
    </message>
    <message>
        <source>耳机音效控制面板</source>
        <translation>Headset sound control panel</translation>
    </message>
</context>
<context>
    <name>EqualizerPage</name>
    <message>
        <source>均衡器</source>
        <translation>Equalizer</translation>
    </message>
    <message>
        <source>开启均衡器</source>
        <translation>Equalizer on</translation>
    </message>
    <message>
        <source>均衡器自定义：</source>
        <translation>Custom curves:</translation>
    </message>
    <message>
        <source>保存EQ曲线</source>
        <translation>Save the curve</translation>
    </message>
    <message>
        <source>删除选中的EQ曲线</source>
        <translation>Delete the chosen curve</translation>
    </message>
    <message>
        <source>恢复默认曲线</source>
        <translation>Restore the default curve</translation>
    </message>
    <message>
        <source>无畏契约</source>
        <translation>Tactical shooter</translation>
    </message>
    <message>
        <source>反恐精英</source>
        <translation>Classic shooter</translation>
    </message>
    <message>
        <source>三角洲行动</source>
        <translation>Squad operations</translation>
    </message>
    <message>
        <source>绝地求生</source>
        <translation>Battle royale</translation>
    </message>
    <message>
        <source>穿越火线</source>
        <translation>Arcade shooter</translation>
    </message>
    <message>
        <source>使命召唤</source>
        <translation>Military campaign</translation>
    </message>
    <message>
        <source>Apex英雄</source>
        <translation>Hero battle royale</translation>
    </message>
    <message>
        <source>守望先锋</source>
        <translation>Team hero shooter</translation>
    </message>
    <message>
        <source>低频增强</source>
        <translation>Bass boost</translation>
    </message>
    <message>
        <source>⾄臻流⾏</source>
        <translation>Pop</translation>
    </message>
    <message>
        <source>⼈声增强</source>
        <translation>Vocal boost</translation>
    </message>
    <message>
        <source>默认模式</source>
        <translation>Default</translation>
    </message>
    <message>
        <source>导入耳机校正曲线</source>
        <translation>Import headphone curve</translation>
    </message>
</context>
<context>
    <name>LightingPage</name>
    <message>
        <source>LED调节</source>
        <translation>Lighting</translation>
    </message>
    <message>
        <source>发光模式</source>
        <translation>Lighting mode</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Off</translation>
    </message>
    <message>
        <source>常亮</source>
        <translation>Steady</translation>
    </message>
    <message>
        <source>呼吸</source>
        <translation>Breathing</translation>
    </message>
    <message>
        <source>循环变色</source>
        <translation>Colour cycle</translation>
    </message>
    <message>
        <source>音乐律动</source>
        <translation>Music rhythm</translation>
    </message>
    <message>
        <source>调整</source>
        <translation>Adjust</translation>
    </message>
    <message>
        <source>速度</source>
        <translation>Speed</translation>
    </message>
    <message>
        <source>快</source>
        <translation>Fast</translation>
    </message>
    <message>
        <source>慢</source>
        <translation>Slow</translation>
    </message>
</context>
<context>
    <name>MicSampleRatePage</name>
    <message>
        <source>取样频率</source>
        <translation>Sample rate</translation>
    </message>
</context>
<context>
    <name>MicrophonePage</name>
    <message>
        <source>音量控制</source>
        <translation>Volume</translation>
    </message>
    <message>
        <source>麦克风输入</source>
        <translation>Microphone input</translation>
    </message>
    <message>
        <source>监听音量</source>
        <translation>Monitoring volume</translation>
    </message>
    <message>
        <source>静音</source>
        <translation>Mute</translation>
    </message>
    <message>
        <source>麦克风监听</source>
        <translation>Microphone monitoring</translation>
    </message>
    <message>
        <source>使能Mic驱动</source>
        <translation>Microphone processing</translation>
    </message>
    <message>
        <source>加载MIC驱动</source>
        <translation>Load microphone driver</translation>
    </message>
    <message>
        <source>打开麦克风监听</source>
        <translation>Open microphone monitoring</translation>
    </message>
</context>
<context>
    <name>NoiseReductionPage</name>
    <message>
        <source>降噪</source>
        <translation>Noise reduction</translation>
    </message>
    <message>
        <source>启动降噪</source>
        <translation>Noise reduction on</translation>
    </message>
    <message>
        <source>默认</source>
        <translation>Default</translation>
    </message>
</context>
<context>
    <name>SampleRatePage</name>
    <message>
        <source>取样频率</source>
        <translation>Sample rate</translation>
    </message>
</context>
<context>
    <name>SoundFieldPage</name>
    <message>
        <source>声场定位</source>
        <translation>Sound field</translation>
    </message>
    <message>
        <source>启动声场定位</source>
        <translation>Sound-field positioning</translation>
    </message>
    <message>
        <source>-</source>
        <translation>-</translation>
    </message>
    <message>
        <source>+</source>
        <translation>+</translation>
    </message>
    <message>
        <source>顺时针</source>
        <translation>Clockwise</translation>
    </message>
    <message>
        <source>逆时针</source>
        <translation>Anticlockwise</translation>
    </message>
    <message>
        <source>角度固定</source>
        <translation>Hold angle</translation>
    </message>
    <message>
        <source>角度归中</source>
        <translation>Centre angle</translation>
    </message>
    <message>
        <source>恢复默认值</source>
        <translation>Defaults</translation>
    </message>
    <message>
        <source>滑动可独立调节各喇叭音量</source>
        <translation>Slide to set each speaker on its own</translation>
    </message>
</context>
<context>
    <name>SpatialPage</name>
    <message>
        <source>空间音效</source>
        <translation>Spatial sound</translation>
    </message>
    <message>
        <source>7.1增强竞技类游戏体验</source>
        <translation>7.1 sharpens competitive games</translation>
    </message>
    <message>
        <source>虚拟7.1声道</source>
        <translation>Virtual 7.1</translation>
    </message>
    <message>
        <source>增加三维环绕体验,适合3A游戏,影音娱乐</source>
        <translation>Adds three-dimensional surround, for big games, films and music</translation>
    </message>
    <message>
        <source>启动空间音效</source>
        <translation>Spatial sound on</translation>
    </message>
    <message>
        <source>房间</source>
        <translation>Room</translation>
    </message>
    <message>
        <source>小房间</source>
        <translation>Small room</translation>
    </message>
    <message>
        <source>中房间</source>
        <translation>Medium room</translation>
    </message>
    <message>
        <source>大房间</source>
        <translation>Large room</translation>
    </message>
    <message>
        <source>启动房间音效</source>
        <translation>Room effect on</translation>
    </message>
    <message>
        <source>环境</source>
        <translation>Environment</translation>
    </message>
    <message>
        <source>音乐厅</source>
        <translation>Concert hall</translation>
    </message>
    <message>
        <source>水底</source>
        <translation>Underwater</translation>
    </message>
    <message>
        <source>浴室</source>
        <translation>Bathroom</translation>
    </message>
    <message>
        <source>疯狂</source>
        <translation>Crazy</translation>
    </message>
</context>
<context>
    <name>SpatialSecondPage</name>
    <message>
        <source>空间音效</source>
        <translation>Spatial sound</translation>
    </message>
</context>
<context>
    <name>UpgradePage</name>
    <message>
        <source>升级</source>
        <translation>Upgrade</translation>
    </message>
    <message>
        <source>没有发现新版本</source>
        <translation>Can&apos;t find new version</translation>
    </message>
    <message>
        <source>检查更新</source>
        <translation>Check for updates</translation>
    </message>
    <message>
        <source>文件</source>
        <translation>File</translation>
    </message>
    <message>
        <source>浏览</source>
        <translation>Browse</translation>
    </message>
    <message>
        <source>升级Dongle</source>
        <translation>Upgrade dongle</translation>
    </message>
    <message>
        <source>升级耳机</source>
        <translation>Upgrade headset</translation>
    </message>
</context>
<context>
    <name>VoiceChangerPage</name>
    <message>
        <source>魔幻音效</source>
        <translation>Voice changer</translation>
    </message>
    <message>
        <source>怪兽</source>
        <translation>Monster</translation>
    </message>
    <message>
        <source>卡通</source>
        <translation>Cartoon</translation>
    </message>
    <message>
        <source>男人</source>
        <translation>Man</translation>
    </message>
    <message>
        <source>女人</source>
        <translation>Woman</translation>
    </message>
    <message>
        <source>麦克风回音</source>
        <translation>Microphone echo</translation>
    </message>
</context>
<context>
    <name>VolumePage</name>
    <message>
        <source>音量控制</source>
        <translation>Volume</translation>
    </message>
    <message>
        <source>扬声器主音量</source>
        <translation>Master volume</translation>
    </message>
    <message>
        <source>左</source>
        <translation>Left</translation>
    </message>
    <message>
        <source>右</source>
        <translation>Right</translation>
    </message>
    <message>
        <source>静音</source>
        <translation>Mute</translation>
    </message>
    <message>
        <source>锁定左右音量</source>
        <translation>Lock left and right volume</translation>
    </message>
    <message>
        <source>使能Spk驱动</source>
        <translation>Speaker processing</translation>
    </message>
    <message>
        <source>加载SPK驱动</source>
        <translation>Load speaker driver</translation>
    </message>
    <message>
        <source>卸载SPK驱动</source>
        <translation>Unload speaker driver</translation>
    </message>
</context>
<context>
    <name>demoClass</name>
    <message>
        <source>关于</source>
        <translation>About</translation>
    </message>
    <message>
        <source>设置</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>最小化</source>
        <translation>Minimise</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>扬声器</source>
        <translation>Speaker</translation>
    </message>
    <message>
        <source>音量控制</source>
        <translation>Volume</translation>
    </message>
    <message>
        <source>取样频率</source>
        <translation>Sample rate</translation>
    </message>
    <message>
        <source>均衡器</source>
        <translation>Equalizer</translation>
    </message>
    <message>
        <source>空间音效</source>
        <translation>Spatial sound</translation>
    </message>
    <message>
        <source>声场定位</source>
        <translation>Sound field</translation>
    </message>
    <message>
        <source>麦克风</source>
        <translation>Microphone</translation>
    </message>
    <message>
        <source>魔幻音效</source>
        <translation>Voice changer</translation>
    </message>
    <message>
        <source>降噪</source>
        <translation>Noise reduction</translation>
    </message>
    <message>
        <source> 其他</source>
        <translation> Other</translation>
    </message>
    <message>
        <source>LED调节</source>
        <translation>Lighting</translation>
    </message>
    <message>
        <source>升级</source>
        <translation>Upgrade</translation>
    </message>
    <message>
        <source>播放</source>
        <translation>Playback</translation>
    </message>
    <message>
        <source>Playback</source>
        <translation>Playback</translation>
    </message>
    <message>
        <source>输出</source>
        <translation>Output</translation>
    </message>
    <message>
        <source>7.1</source>
        <translation>7.1</translation>
    </message>
    <message>
        <source>录制</source>
        <translation>Record</translation>
    </message>
    <message>
        <source>输入</source>
        <translation>Input</translation>
    </message>
    <message>
        <source>48 KHz</source>
        <translation>48 KHz</translation>
    </message>
    <message>
        <source>静音</source>
        <translation>Mute</translation>
    </message>
</context>
<context>
    <name>dlgsetting</name>
    <message>
        <source>设置</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>语言</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>简体中文</source>
        <translation>Simplified Chinese</translation>
    </message>
    <message>
        <source>英语</source>
        <translation>English</translation>
    </message>
    <message>
        <source>音效图标常驻显示</source>
        <translation>Keep the sound icon in the tray</translation>
    </message>
    <message>
        <source>不再显示开始讯息</source>
        <translation>Don&apos;t show the start message again</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>确认</source>
        <translation>Confirm</translation>
    </message>
</context>
<context>
    <name>kj</name>
    <message>
        <source>温馨提示</source>
        <translation>Tips</translation>
    </message>
    <message>
        <source>要启用Speakers设置，请对软件左侧菜单中的
逐项功能进行设置。</source>
        <translation>To use the speaker settings, set up each function
in the menu on the left.</translation>
    </message>
    <message>
        <source>不再提示此消息</source>
        <translation>Don&apos;t show this message again</translation>
    </message>
    <message>
        <source>知道了</source>
        <translation>Got it</translation>
    </message>
</context>
<context>
    <name>oro::panel::AboutDialog</name>
    <message>
        <source>当前版本 V%1.%2.%3</source>
        <translation>Current version V%1.%2.%3</translation>
    </message>
</context>
<context>
    <name>oro::panel::EqualizerPage</name>
    <message>
        <source>The curve could not be saved: %1</source>
        <translation>The curve could not be saved: %1</translation>
    </message>
    <message>
        <source>The curve could not be deleted: %1</source>
        <translation>The curve could not be deleted: %1</translation>
    </message>
    <message>
        <source>Import a headphone correction curve</source>
        <translation>Import a headphone correction curve</translation>
    </message>
    <message>
        <source>Curves (*.csv *.txt);;All files (*)</source>
        <translation>Curves (*.csv *.txt);;All files (*)</translation>
    </message>
    <message>
        <source>The curve cannot be imported: %1</source>
        <translation>The curve cannot be imported: %1</translation>
    </message>
    <message>
        <source>Remaining error %1 dB RMS (%2 dB at most)</source>
        <translation>Remaining error %1 dB RMS (%2 dB at most)</translation>
    </message>
    <message>
        <source>The saved curves file was damaged; what could be read is kept and the original is kept aside.</source>
        <translation>The saved curves file was damaged; what could be read is kept and the original is kept aside.</translation>
    </message>
</context>
</TS>
