<?php
// The notice pane's page. The client shows it in a borderless 301 x 154 pixel area without scroll
// bars, so it stays within that size and clips instead of scrolling.

require __DIR__ . '/common.php';

require_tagged_get();

$page = <<<'HTML'
<!DOCTYPE HTML PUBLIC "-//W3C//DTD HTML 4.01//EN">
<html>
<head>
<meta http-equiv="Content-Type" content="text/html; charset=gbk">
<title>Qivra网络加速器公告</title>
<style type="text/css">
html, body { margin: 0; padding: 0; overflow: hidden; background: #ffffff; }
body { width: 301px; height: 154px; font: 12px "宋体", SimSun, sans-serif; color: #333333; }
h1 { margin: 6px 8px 4px 8px; font-size: 14px; color: #1a5fa8; }
ul { margin: 0 8px; padding: 0 0 0 16px; }
li { line-height: 20px; }
</style>
</head>
<body scroll="no">
<h1>服务公告</h1>
<ul>
<li>新增广州网通游戏专线，欢迎试用。</li>
<li>每周二凌晨2:00至4:00例行维护，期间可能断线。</li>
<li>帐户续费请访问网站的用户中心。</li>
<li>演示服务：所有服务器都在本机127.0.0.x。</li>
</ul>
</body>
</html>

HTML;

send_answer(200, 'text/html; charset=gbk', to_gbk(str_replace("\n", "\r\n", $page)));
