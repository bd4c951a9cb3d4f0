<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="zh_CN">
<context>
    <name>AddControlsWidget</name>
    <message>
        <source>Form</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>添加控制器</source>
        <translation>Add Controller</translation>
    </message>
    <message>
        <source>直线位移台</source>
        <translation>Line Control</translation>
    </message>
    <message>
        <source>旋转位移台</source>
        <translation>Rotation Control</translation>
    </message>
    <message>
        <source>角位移台</source>
        <translation>Angular control</translation>
    </message>
    <message>
        <source>升降移台</source>
        <translation>Lifting Control</translation>
    </message>
    <message>
        <source>设备型号：</source>
        <translation>modelName:</translation>
    </message>
    <message>
        <source>设备序号：</source>
        <translation>Axis Number:</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>confirm</translation>
    </message>
    <message>
        <source>参数配置错误!请重试。</source>
        <translation>Parameter configuration error! Please try again.</translation>
    </message>
    <message>
        <source>型号文件中%1的参数不属于%2，未写入。请检查型号文件。</source>
        <translation>The model file's record for %1 is not of the type %2; nothing was written. Please check the model file.</translation>
    </message>
</context>
<context>
    <name>ConnectionWidget</name>
    <message>
        <source>Form</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>连接设备</source>
        <translation>Connect Device</translation>
    </message>
    <message>
        <source>串口选择：</source>
        <translation>Selected COM</translation>
    </message>
    <message>
        <source>连接</source>
        <translation>Connect</translation>
    </message>
    <message>
        <source>断开</source>
        <translation>Disconnect</translation>
    </message>
    <message>
        <source>打开设备失败(err:%1)</source>
        <translation>Failed to open the device (err: %1).</translation>
    </message>
    <message>
        <source>控制器（端口 %1）的设备文件 %2 无访问权限。</source>
        <translation>No permission to use the controller (port %1): its device file %2 is not accessible.</translation>
    </message>
    <message>
        <source>请将 udev 规则 60-velmo.rules 复制到 /etc/udev/rules.d/ 后重新插拔控制器。</source>
        <translation>Copy the udev rule 60-velmo.rules to /etc/udev/rules.d/ and plug the controller in again.</translation>
    </message>
    <message>
        <source>%1（无访问权限）</source>
        <translation>%1 (no permission)</translation>
    </message>
</context>
<context>
    <name>CycleOperationWidget</name>
    <message>
        <source>Form</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>  循环模式</source>
        <translation>Loop running mode</translation>
    </message>
    <message>
        <source>循环次数：</source>
        <translation>Loop count</translation>
    </message>
    <message>
        <source>相对位移：</source>
        <translation>Travel</translation>
    </message>
    <message>
        <source>速度：</source>
        <translation>Speed</translation>
    </message>
    <message>
        <source>加速度：</source>
        <translation>Acc</translation>
    </message>
    <message>
        <source>停留时间：</source>
        <translation>Res time</translation>
    </message>
    <message>
        <source>正方向开始循环运行</source>
        <translation>The loop starts in the positive direction</translation>
    </message>
    <message>
        <source>负方向开始循环运行</source>
        <translation>The loop starts in the negative direction</translation>
    </message>
    <message>
        <source>停止运行</source>
        <translation>Stop runing</translation>
    </message>
    <message>
        <source>运行中关闭该界面将会自动停止，是否关闭？</source>
        <translation>Closing this window while the axis runs will stop it. Close it?</translation>
    </message>
</context>
<context>
    <name>DebugWidget</name>
    <message>
        <source>Form</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>电机参数</source>
        <translation>Motor Param</translation>
    </message>
    <message>
        <source>型号名称：</source>
        <translation>Model name</translation>
    </message>
    <message>
        <source>序列号：</source>
        <translation>Serial NO.</translation>
    </message>
    <message>
        <source>一圈的脉冲数：</source>
        <translation>Pulses/cycle</translation>
    </message>
    <message>
        <source>导程：</source>
        <translation>Lead</translation>
    </message>
    <message>
        <source>回原点的速度：</source>
        <translation>Reset speed</translation>
    </message>
    <message>
        <source>位移台类型：</source>
        <translation>Stage type</translation>
    </message>
    <message>
        <source>正限位极性：</source>
        <translation>P-LSP</translation>
    </message>
    <message>
        <source>负限位极性：</source>
        <translation>N-LSP</translation>
    </message>
    <message>
        <source>零点位极性：</source>
        <translation>Z-PSP</translation>
    </message>
    <message>
        <source>运动方向：</source>
        <translation>Moving direction</translation>
    </message>
    <message>
        <source>限位方向：</source>
        <translation>Limiting direction</translation>
    </message>
    <message>
        <source>单位类型：</source>
        <translation>Unit type</translation>
    </message>
    <message>
        <source>写入</source>
        <translation>write</translation>
    </message>
    <message>
        <source>调试面板</source>
        <translation>Debug Panel</translation>
    </message>
    <message>
        <source>轴序号</source>
        <translation>Axis</translation>
    </message>
    <message>
        <source>运动参数</source>
        <translation>Motion Param</translation>
    </message>
    <message>
        <source>配置电机参数</source>
        <translation>Motor Param Setup</translation>
    </message>
    <message>
        <source>直线</source>
        <translation>Linear</translation>
    </message>
    <message>
        <source>旋转</source>
        <translation>Rotary</translation>
    </message>
    <message>
        <source>角度</source>
        <translation>Goniometer</translation>
    </message>
    <message>
        <source>垂直</source>
        <translation>Vertical</translation>
    </message>
    <message>
        <source>低电平</source>
        <translation>Low level</translation>
    </message>
    <message>
        <source>高电平</source>
        <translation>High level</translation>
    </message>
    <message>
        <source>正向</source>
        <translation>Positive</translation>
    </message>
    <message>
        <source>负向</source>
        <translation>Negative</translation>
    </message>
    <message>
        <source>光耦顺序：</source>
        <translation>Sensor order</translation>
    </message>
    <message>
        <source>最大速度：</source>
        <translation>Max speed</translation>
    </message>
    <message>
        <source>最大加速度：</source>
        <translation>Max acceleration</translation>
    </message>
    <message>
        <source>最小位置：</source>
        <translation>Min position</translation>
    </message>
    <message>
        <source>最大位置：</source>
        <translation>Max position</translation>
    </message>
    <message>
        <source>零点光耦宽度：</source>
        <translation>Home sensor width</translation>
    </message>
    <message>
        <source>光耦个数：</source>
        <translation>Sensor count</translation>
    </message>
    <message>
        <source>回程差（脉冲）：</source>
        <translation>Backlash (pulses)</translation>
    </message>
    <message>
        <source>电机相数：</source>
        <translation>Motor phases</translation>
    </message>
    <message>
        <source>修改日期：</source>
        <translation>Modified date</translation>
    </message>
    <message>
        <source>位置补偿：</source>
        <translation>Compensation</translation>
    </message>
    <message>
        <source>最大摇杆速度：</source>
        <translation>Max joystick speed</translation>
    </message>
    <message>
        <source>读取</source>
        <translation>read</translation>
    </message>
    <message>
        <source>擦除芯片</source>
        <translation>Erase chip</translation>
    </message>
    <message>
        <source>位置补偿</source>
        <translation>Position Compensation</translation>
    </message>
    <message>
        <source>位置补偿使能</source>
        <translation>Enable compensation</translation>
    </message>
    <message>
        <source>位置补偿失能</source>
        <translation>Disable compensation</translation>
    </message>
    <message>
        <source>+期望位置</source>
        <translation>+Expected pos</translation>
    </message>
    <message>
        <source>+实际位置</source>
        <translation>+Actual pos</translation>
    </message>
    <message>
        <source>-期望位置</source>
        <translation>-Expected pos</translation>
    </message>
    <message>
        <source>-实际位置</source>
        <translation>-Actual pos</translation>
    </message>
    <message>
        <source>可以运行：%1, 停止：%2, 使能：%3, 归零：%4, 左限位：%5, 右限位：%6</source>
        <translation>Can run: %1, stopped: %2, enabled: %3, homed: %4, left limit: %5, right limit: %6</translation>
    </message>
</context>
<context>
    <name>DeviceParamWidget</name>
    <message>
        <source>Form</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>外部输入输出</source>
        <translation>External I/O</translation>
    </message>
    <message>
        <source>输入有效</source>
        <translation>Enable input</translation>
    </message>
    <message>
        <source>输出有效</source>
        <translation>Enable output</translation>
    </message>
    <message>
        <source>确认</source>
        <translation>confirm</translation>
    </message>
    <message>
        <source>位移台型号配置</source>
        <translation>Motor Stage Model Config</translation>
    </message>
    <message>
        <source>型号：</source>
        <translation>Model</translation>
    </message>
    <message>
        <source>配置文件：</source>
        <translation>Config file</translation>
    </message>
    <message>
        <source>写入</source>
        <translation>write</translation>
    </message>
</context>
<context>
    <name>DriveParamWidget</name>
    <message>
        <source>Form</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>相对位移:</source>
        <translation>Travel</translation>
    </message>
    <message>
        <source>速度:</source>
        <translation>speed</translation>
    </message>
    <message>
        <source>加速度:</source>
        <translation>Acc</translation>
    </message>
    <message>
        <source>确认</source>
        <translation>confirm</translation>
    </message>
    <message>
        <source>还原</source>
        <translation>restore</translation>
    </message>
</context>
<context>
    <name>HelpWidget</name>
    <message>
        <source>Form</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>帮助</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>使用手册：</source>
        <translation>Manual:</translation>
    </message>
    <message>
        <source>查看</source>
        <translation>view Manual</translation>
    </message>
    <message>
        <source>二次开发：</source>
        <translation>Development:</translation>
    </message>
    <message>
        <source>查看 C++ SDK</source>
        <translation>view C++ SDK</translation>
    </message>
    <message>
        <source>查看 LabVIew SDK</source>
        <translation>view LabView SDK</translation>
    </message>
    <message>
        <source>查看C# SDK</source>
        <translation>view C# SDK</translation>
    </message>
    <message>
        <source>查看Python SDK</source>
        <translation>view Python SDK</translation>
    </message>
    <message>
        <source>软件版本：</source>
        <translation>Software version:</translation>
    </message>
    <message>
        <source>V1.0.2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>嵌入式版本：</source>
        <translation>MCU version:</translation>
    </message>
    <message>
        <source>了解更多详细信息</source>
        <translation>Learn more</translation>
    </message>
    <message>
        <source>velmo 台式步进电机控制软件，问题与建议请见项目主页。</source>
        <translation>velmo desktop stepper-motor software. Questions and suggestions: see the project page.</translation>
    </message>
</context>
<context>
    <name>JogParamWidget</name>
    <message>
        <source>Form</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>步长：</source>
        <translation>Step:</translation>
    </message>
    <message>
        <source>步进次数：</source>
        <translation>Number:</translation>
    </message>
    <message>
        <source>步进延时：</source>
        <translation>Delay:</translation>
    </message>
    <message>
        <source>mm</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ms</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>确认</source>
        <translation>Confirm</translation>
    </message>
    <message>
        <source>还原</source>
        <translation>Restore</translation>
    </message>
</context>
<context>
    <name>MotionChartWindow</name>
    <message>
        <source>运动曲线</source>
        <translation>Motion chart</translation>
    </message>
    <message>
        <source>时间范围</source>
        <translation>Time range</translation>
    </message>
    <message>
        <source>最近 10 秒</source>
        <translation>Last 10 s</translation>
    </message>
    <message>
        <source>最近 1 分钟</source>
        <translation>Last 1 min</translation>
    </message>
    <message>
        <source>最近 10 分钟</source>
        <translation>Last 10 min</translation>
    </message>
    <message>
        <source>全部</source>
        <translation>Everything</translation>
    </message>
    <message>
        <source>暂停</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>暂停跟随最新数据（记录继续）</source>
        <translation>Stop following the newest readings (recording goes on)</translation>
    </message>
    <message>
        <source>导出 CSV</source>
        <translation>Export CSV</translation>
    </message>
    <message>
        <source>保存图片</source>
        <translation>Save image</translation>
    </message>
    <message>
        <source>左键拖动平移，滚轮缩放</source>
        <translation>Drag with the left button to pan, use the wheel to zoom</translation>
    </message>
    <message>
        <source>启动</source>
        <translation>Started</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stopped</translation>
    </message>
    <message>
        <source>正限位</source>
        <translation>Positive limit</translation>
    </message>
    <message>
        <source>负限位</source>
        <translation>Negative limit</translation>
    </message>
    <message>
        <source>传感器故障</source>
        <translation>Sensor fault</translation>
    </message>
    <message>
        <source>运动曲线 - %1</source>
        <translation>Motion chart - %1</translation>
    </message>
    <message>
        <source>位置 (%1)</source>
        <translation>Position (%1)</translation>
    </message>
    <message>
        <source>继续</source>
        <translation>Resume</translation>
    </message>
    <message>
        <source>无法写入文件：%1</source>
        <translation>Cannot write the file: %1</translation>
    </message>
    <message>
        <source>已导出：%1</source>
        <translation>Exported: %1</translation>
    </message>
    <message>
        <source>已保存：%1</source>
        <translation>Saved: %1</translation>
    </message>
    <message>
        <source>CSV 文件 (*.csv)</source>
        <translation>CSV files (*.csv)</translation>
    </message>
    <message>
        <source>PNG 图片 (*.png)</source>
        <translation>PNG images (*.png)</translation>
    </message>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>位置</source>
        <translation>Position</translation>
    </message>
    <message>
        <source>目标位置</source>
        <translation>Target</translation>
    </message>
</context>
<context>
    <name>MoveParamWidget</name>
    <message>
        <source>Form</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>位置:</source>
        <translation>Posion:</translation>
    </message>
    <message>
        <source>速度:</source>
        <translation>Speed:</translation>
    </message>
    <message>
        <source>加速度:</source>
        <translation>Acc:</translation>
    </message>
    <message>
        <source>mm</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>确认</source>
        <translation>Confirm</translation>
    </message>
    <message>
        <source>还原</source>
        <translation>Restore</translation>
    </message>
</context>
<context>
    <name>OptionsWidget</name>
    <message>
        <source>Form</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>设置</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>语言</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>触发</source>
        <translation>Trigger</translation>
    </message>
    <message>
        <source>电机参数</source>
        <translation>Motor Param</translation>
    </message>
    <message>
        <source>位置补偿</source>
        <translation>Pos Conpen</translation>
    </message>
    <message>
        <source>中文</source>
        <translation>Chinese</translation>
    </message>
    <message>
        <source>英文</source>
        <translation>English</translation>
    </message>
    <message>
        <source>1号轴</source>
        <translation>Asix 1</translation>
    </message>
    <message>
        <source>2号轴</source>
        <translation>Axis 2</translation>
    </message>
    <message>
        <source>3号轴</source>
        <translation>Axis 3</translation>
    </message>
    <message>
        <source>触发输入</source>
        <translation>Trigger IN</translation>
    </message>
    <message>
        <source>触发输出</source>
        <translation>Trigger OUT</translation>
    </message>
    <message>
        <source>位移量：</source>
        <translation>displacement:</translation>
    </message>
    <message>
        <source>轴号：</source>
        <translation>Axis NO.:</translation>
    </message>
    <message>
        <source>读出参数</source>
        <translation>ReadParam</translation>
    </message>
    <message>
        <source>写入参数</source>
        <translation>WriteParam</translation>
    </message>
    <message>
        <source>型号名称：</source>
        <translation>Model name</translation>
    </message>
    <message>
        <source>一圈的脉冲数：</source>
        <translation>Pulses/cycle</translation>
    </message>
    <message>
        <source>序列号：</source>
        <translation>Serial NO.</translation>
    </message>
    <message>
        <source>导程：</source>
        <translation>Lead</translation>
    </message>
    <message>
        <source>位移台类型：</source>
        <translation>Stage type</translation>
    </message>
    <message>
        <source>回原点的速度：</source>
        <translation>Reset speed</translation>
    </message>
    <message>
        <source>单位类型：</source>
        <translation>Unit type</translation>
    </message>
    <message>
        <source>正限位极性：</source>
        <translation>P-LSP</translation>
    </message>
    <message>
        <source>运动方向：</source>
        <translation>Moving direction</translation>
    </message>
    <message>
        <source>负限位极性：</source>
        <translation>N-LSP</translation>
    </message>
    <message>
        <source>限位方向：</source>
        <translation>Limiting direction</translation>
    </message>
    <message>
        <source>零点位极性：</source>
        <translation>Z-PSP</translation>
    </message>
    <message>
        <source>启用</source>
        <translation>open</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>close</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Message</translation>
    </message>
    <message>
        <source>修改电机参数可能会导致电机故障，请谨慎修改！</source>
        <translation>Modifying the motor parameters may cause motor failure, please proceed with caution!</translation>
    </message>
    <message>
        <source>是否确认修改电机参数？</source>
        <translation>Are you sure you want to modify the motor parameters?</translation>
    </message>
    <message>
        <source>读取电机参数失败：error（%1）</source>
        <translation>Failed to read motor parameters: error (%1)</translation>
    </message>
    <message>
        <source>写入电机参数失败：error（%1）</source>
        <translation>Failed to write motor parameters: error (%1)</translation>
    </message>
    <message>
        <source>写入电机参数成功</source>
        <translation>Write motor parameters successfully</translation>
    </message>
    <message>
        <source>请匹配位移台实际行程进行设置！</source>
        <translation>Please set according to the 
actual travel of the stage!</translation>
    </message>
    <message>
        <source>位移量超出范围！[%1,%2]</source>
        <translation>relative displacement out of range! [%1, %2]</translation>
    </message>
    <message>
        <source>%1无效或超出范围，未写入任何参数。</source>
        <translation>%1 is not valid or out of range; no parameter was written.</translation>
    </message>
</context>
<context>
    <name>PlaceholderWidget</name>
    <message>
        <source>Form</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>位移台序列号：</source>
        <translation>Motor stage serial NO.:</translation>
    </message>
    <message>
        <source>位置超出范围！[%1，%2]</source>
        <translation>Position out of range! [%1, %2]</translation>
    </message>
    <message>
        <source>使能设备</source>
        <translation>Enable control</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>初始化运动轴参数成功</source>
        <translation>Initialized motion axis parameters successfully</translation>
    </message>
    <message>
        <source>加速度超出范围！(0，%1]</source>
        <translation>Acceleration out of range! (0, %1]</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>当前运行次数</source>
        <translation>current run count</translation>
    </message>
    <message>
        <source>循环次数不能为0！</source>
        <translation>The number of cycles cannot be 0!</translation>
    </message>
    <message>
        <source>您确定要关闭控制轴窗口吗?</source>
        <translation>Sure you want to close the control
 axis window?</translation>
    </message>
    <message>
        <source>推进</source>
        <translation>Drive</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Message</translation>
    </message>
    <message>
        <source>操作失败</source>
        <translation>operation failure</translation>
    </message>
    <message>
        <source>操作成功</source>
        <translation>operate successfully</translation>
    </message>
    <message>
        <source>操作被取消</source>
        <translation>Operation canceled</translation>
    </message>
    <message>
        <source>步进</source>
        <translation>Jog</translation>
    </message>
    <message>
        <source>步进延时不能为0！</source>
        <translation>Step delay cannot be 0!</translation>
    </message>
    <message>
        <source>步进次数不能为0！</source>
        <translation>The number of steps cannot be 0!</translation>
    </message>
    <message>
        <source>步长超出范围！(0，%1]</source>
        <translation>Step size out of range! (0, %1]</translation>
    </message>
    <message>
        <source>相对位移超出范围！(0，%1]</source>
        <translation>relative displacement out of range! (0, %1]</translation>
    </message>
    <message>
        <source>确认</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>移动</source>
        <translation>Move</translation>
    </message>
    <message>
        <source>获取设备参数失败，请检查
设备是否正确连接!</source>
        <translation>Failed to get device parameters, 
please check whether the device 
is correctly connected!</translation>
    </message>
    <message>
        <source>设备断开连接</source>
        <translation>The device has been unplugged</translation>
    </message>
    <message>
        <source>设备已断开</source>
        <translation>The device has been disconnected</translation>
    </message>
    <message>
        <source>设备已连接</source>
        <translation>Device connected</translation>
    </message>
    <message>
        <source>设备未连接，请连接设备后继续操作!</source>
        <translation>The device is not connected,please 
connect the device and continue to 
operate!</translation>
    </message>
    <message>
        <source>设置步进参数</source>
        <translation>Setting jog param</translation>
    </message>
    <message>
        <source>设置移动参数</source>
        <translation>Setting move param</translation>
    </message>
    <message>
        <source>设置自动运行参数</source>
        <translation>Setting drive param</translation>
    </message>
    <message>
        <source>设置设备参数</source>
        <translation>Setting device parameters</translation>
    </message>
    <message>
        <source>轴数量已达上限!</source>
        <translation>Maximum number of axes reached!</translation>
    </message>
    <message>
        <source>轴数量超出上限,请检查操作窗口后继续操作！</source>
        <translation>The number of Axis exceeds the 
limit,please check the operation 
window before continuing!</translation>
    </message>
    <message>
        <source>运行中</source>
        <translation>Doing</translation>
    </message>
    <message>
        <source>运行完成</source>
        <translation>Operation completed</translation>
    </message>
    <message>
        <source>还原</source>
        <translation>Restore</translation>
    </message>
    <message>
        <source>速度超出范围！(0，%1]</source>
        <translation>Speed out of range! (0, %1]</translation>
    </message>
    <message>
        <source>输入值无效：%1</source>
        <translation>Invalid value: %1</translation>
    </message>
</context>
<context>
    <name>SerialComDev</name>
    <message>
        <source>JOG步长：%1, JOG次数：%2, JOG延时:%3</source>
        <translation>JOG step size: %1, JOG times: %2, JOG delay: %3</translation>
    </message>
    <message>
        <source>停止运行</source>
        <translation>Stop running</translation>
    </message>
    <message>
        <source>循环次数：%1, 循环位移：%2</source>
        <translation>Number of cycles: %1, Cycle displacement: %2</translation>
    </message>
    <message>
        <source>正方向Drive</source>
        <translation>Positive Direction Drive</translation>
    </message>
    <message>
        <source>正方向Jog</source>
        <translation>Positive direction Jog</translation>
    </message>
    <message>
        <source>正方向循环</source>
        <translation>Forward loop</translation>
    </message>
    <message>
        <source>电机复位</source>
        <translation>Motor reset</translation>
    </message>
    <message>
        <source>获取设备状态出错</source>
        <translation>Error in getting device status</translation>
    </message>
    <message>
        <source>设置JOG次数失败</source>
        <translation>Failed to set JOG times</translation>
    </message>
    <message>
        <source>设置JOG步长失败</source>
        <translation>Setting JOG step size failed</translation>
    </message>
    <message>
        <source>设置加速度参数出错</source>
        <translation>Error setting acceleration parameters</translation>
    </message>
    <message>
        <source>设置参数，目标位置：%1</source>
        <translation>Set parameters, target location: %1</translation>
    </message>
    <message>
        <source>设置参数，相对位移：%1，使能：%2</source>
        <translation>Set parameters, relative displacement: %1, enable: %2</translation>
    </message>
    <message>
        <source>设置参数，速度：%1，加速度：%2</source>
        <translation>Set parameters, speed: %1, acceleration: %2</translation>
    </message>
    <message>
        <source>设置循环位移量失败</source>
        <translation>Failed to set the loop shift amount</translation>
    </message>
    <message>
        <source>设置循环停留时间失败</source>
        <translation>Failed to set the loop dwell time</translation>
    </message>
    <message>
        <source>设置循环次数失败</source>
        <translation>Failed to set the number of loops</translation>
    </message>
    <message>
        <source>设置目标位置参数出错</source>
        <translation>Error setting target location parameters</translation>
    </message>
    <message>
        <source>设置相对位移使能参数出错</source>
        <translation>Setting the relative displacement enable parameter failed</translation>
    </message>
    <message>
        <source>设置相对位移参数出错</source>
        <translation>Setting the relative displacement parameters is incorrect</translation>
    </message>
    <message>
        <source>设置速度参数出错</source>
        <translation>Error setting speed parameters</translation>
    </message>
    <message>
        <source>读取当前位置出错</source>
        <translation>Error reading current location</translation>
    </message>
    <message>
        <source>负方向Drive</source>
        <translation>Negative Direction Drive</translation>
    </message>
    <message>
        <source>负方向Jog</source>
        <translation>Negative direction Jog</translation>
    </message>
    <message>
        <source>负方向循环</source>
        <translation>Negative direction loop</translation>
    </message>
    <message>
        <source>Move</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>设置触发输入参数失败，轴:%1</source>
        <translation>Failed to set trigger input parameters, axis: %1</translation>
    </message>
    <message>
        <source>设置触发输出参数失败，轴:%1</source>
        <translation>Failed to set trigger output parameters, axis: %1</translation>
    </message>
    <message>
        <source>设置触发输入位移量失败，轴:%1</source>
        <translation>Failed to set trigger input displacement, axis: %1</translation>
    </message>
</context>
<context>
    <name>VelmoControlWidget</name>
    <message>
        <source>Form</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>运动轴设置</source>
        <translation>Step control Settings</translation>
    </message>
    <message>
        <source>回到原点</source>
        <translation>Home position return</translation>
    </message>
    <message>
        <source>停止运行</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>使能运动轴</source>
        <translation>Enable control</translation>
    </message>
    <message>
        <source>运行中</source>
        <translation>Doing</translation>
    </message>
    <message>
        <source>已复位</source>
        <translation>Reseted</translation>
    </message>
    <message>
        <source>已到达负限位！</source>
        <translation>Negative limit reached!</translation>
    </message>
    <message>
        <source>已到达正限位！</source>
        <translation>Positive limit reached!</translation>
    </message>
    <message>
        <source>负限位光耦失效 </source>
        <translation>negative limit photocoupler failed</translation>
    </message>
    <message>
        <source>正限位光耦失效 </source>
        <translation>positive limit photocoupler failed</translation>
    </message>
    <message>
        <source>原点限位光耦失效 </source>
        <translation>Origin limit photocoupler failed</translation>
    </message>
    <message>
        <source>放大</source>
        <translation>Enlarge</translation>
    </message>
    <message>
        <source>缩小</source>
        <translation>Shrink</translation>
    </message>
    <message>
        <source>运动曲线</source>
        <translation>Motion chart</translation>
    </message>
</context>
<context>
    <name>VelmoWidget</name>
    <message>
        <source>VelmoWidget</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>debug</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>帮助</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>软件设置</source>
        <translation>Softerware settings</translation>
    </message>
    <message>
        <source>连接设备</source>
        <translation>Connect the device serial port COM</translation>
    </message>
    <message>
        <source>添加运动轴控制窗口</source>
        <translation>Add an axis control widget</translation>
    </message>
    <message>
        <source>使用摇杆</source>
        <translation>Use rocker</translation>
    </message>
    <message>
        <source>初始化轴，识别芯片错误(%1)！</source>
        <translation>Initialization axis, 
chip recognition error (%1)!</translation>
    </message>
    <message>
        <source>初始化轴，读取参数错误(%1)！</source>
        <translation>Initialize the axis,
 read parameter error (%1)!</translation>
    </message>
</context>
</TS>
