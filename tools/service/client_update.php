<?php
// The page a demo account's UpdateURL names. The client opens it in the browser as it stands,
// untagged, so it asks for no referral.

require __DIR__ . '/common.php';

$page = <<<'HTML'
<!DOCTYPE HTML PUBLIC "-//W3C//DTD HTML 4.01//EN">
<html>
<head>
<meta http-equiv="Content-Type" content="text/html; charset=gbk">
<title>Qivra网络加速器升级</title>
</head>
<body>
<h1>Qivra网络加速器新版本</h1>
<p>服务要求客户端版本1.1.0.1或更高。</p>
<p>这是演示服务，没有可下载的安装程序。</p>
</body>
</html>

HTML;

send_answer(200, 'text/html; charset=gbk', to_gbk(str_replace("\n", "\r\n", $page)));
