#include "pages.h"

#include "form.h"

namespace qs {

namespace {

std::string head(const std::string& title) {
  return "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>" + html_escape(title) +
         "</title>\n</head>\n<body>\n";
}

const char kTail[] = "</body>\n</html>\n";

// The top bar: the log-out link (and its "退出") only for a logged-in user.
std::string top_bar(const std::optional<std::string>& account) {
  if (!account)
    return "<div class=\"top\"><a href=\"account.php\">登录</a> | <a href=\"account.php?action=register\">注册</a></div>\n";
  return "<div class=\"top\">欢迎您，" + html_escape(*account) +
         " | <a href=\"mydisk.php?item=files&action=index\">我的网盘</a>"
         " | <a href=\"mydisk.php?item=profile&action=mypower\">个人中心</a>"
         " | <a href=\"mydisk.php?item=recycle&action=files\">回收站</a>"
         " | <a href=\"account.php?action=logout&" +
         html_escape(*account) + "\">退出</a></div>\n";
}

}  // namespace

std::string message_page(const std::optional<std::string>& account, const std::string& title,
                         const std::string& message) {
  return head(title + " - Quarrow盘") + top_bar(account) + "<div class=\"msg\">" + html_escape(message) + "</div>\n" +
         kTail;
}

std::string login_page(const std::string& message) {
  std::string msg = message.empty() ? "" : "<div class=\"msg\">" + html_escape(message) + "</div>\n";
  return head("登录 - Quarrow盘") + top_bar(std::nullopt) + msg +
         "<form method=\"post\" action=\"account.php\">\n"
         "<input type=\"hidden\" name=\"action\" value=\"login\">\n"
         "<input type=\"hidden\" name=\"task\" value=\"login\">\n"
         "<input type=\"hidden\" name=\"ref\" value=\"/mydisk.php\">\n"
         "<input type=\"hidden\" name=\"formhash\" value=\"3e9b7c42\">\n"
         "账号：<input type=\"text\" name=\"username\"><br>\n"
         "密码：<input type=\"password\" name=\"password\"><br>\n"
         "<input type=\"submit\" value=\"登录\">\n"
         "</form>\n" +
         kTail;
}

std::string register_page(const std::string& message) {
  std::string msg = message.empty() ? "" : "<div class=\"msg\">" + html_escape(message) + "</div>\n";
  return head("注册 - Quarrow盘") + top_bar(std::nullopt) + msg +
         "<form method=\"post\" action=\"account.php\">\n"
         "<input type=\"hidden\" name=\"action\" value=\"register\">\n"
         "账号：<input type=\"text\" name=\"username\"> (3到20位)<br>\n"
         "密码：<input type=\"password\" name=\"password\"> (6到20位)<br>\n"
         "<input type=\"submit\" value=\"注册\">\n"
         "</form>\n" +
         kTail;
}

std::string disk_home_page(const std::string& account) {
  return head("我的网盘 - Quarrow盘") + top_bar(account) +
         "<div class=\"home\"><a href=\"mydisk.php?item=files&action=index&folder_node=0&folder_id=-1\">进入网盘</a></div>\n" +
         kTail;
}

std::string folder_page(const std::string& account, const std::vector<Folder>& path, const std::vector<Folder>& folders,
                        bool folder_missing) {
  std::string out = head("我的网盘 - Quarrow盘") + top_bar(account);
  // The path links come before the column header: only what follows the
  // header's text is the folder list.
  out += "<div class=\"f_path\"><a href=\"mydisk.php?item=files&action=index&folder_node=0&folder_id=-1\">根目录</a>";
  for (const auto& f : path)
    out += " &gt; <a href=\"mydisk.php?item=files&action=index&folder_node=1&folder_id=" + std::to_string(f.id) + "\">" +
           html_escape(f.name) + "</a>";
  out += "</div>\n";
  out += "<div class=\"f_url\">分享地址：<span id=\"f_wringurl\">u/" + html_escape(account) + "</span></div>\n";
  if (folder_missing) out += "<div class=\"msg\">文件夹不存在</div>\n";
  out += "<div class=\"f_head\"><span>文件名/夹</span><span>大小</span><span>时间</span></div>\n";
  out += "<div id=\"f_folders\">\n";
  for (const auto& f : folders) {
    const std::string id = std::to_string(f.id);
    // folkey() comes before the name and the description, so neither can shadow it.
    out += "<div class=\"f_tb\"><a href=\"mydisk.php?item=files&action=index&folder_node=1&folder_id=" + id +
           "\" data-menu=\"folkey(" + id + ")\"><img src=\"images/folder.gif\">&nbsp;" + html_escape(f.name) +
           "</a><span class=\"f_des\">" + html_escape(f.des) + "</span><span class=\"f_time\">" + date_text(f.created) +
           "</span></div>\n";
  }
  out += "</div>\n<div id=\"f_files\"></div>\n";
  out += "<script type=\"text/javascript\">var folder_id = " +
         std::to_string(path.empty() ? kRootFolder : path.back().id) +
         ";</script>\n";
  return out + kTail;
}

std::string profile_page(const Account& account, size_t files, uint64_t bytes) {
  return head("个人中心 - Quarrow盘") + top_bar(account.name) + "<div class=\"profile\">\n<p>账号：" +
         html_escape(account.name) + "</p>\n<p>UID：" + std::to_string(account.uid) + "</p>\n<p>注册时间：" +
         date_text(account.created) + "</p>\n<p>文件数：" + std::to_string(files) + "</p>\n<p>已用空间：" +
         size_text(bytes) + "</p>\n</div>\n" + kTail;
}

std::string recycle_page(const std::string& account, const std::vector<Folder>& folders,
                         const std::vector<StoredFile>& files) {
  std::string out = head("回收站 - Quarrow盘") + top_bar(account) + "<div class=\"recycle\">\n<h3>回收站</h3>\n<ul>\n";
  for (const auto& f : folders) out += "<li class=\"folder\">" + html_escape(f.name) + "</li>\n";
  for (const auto& f : files) out += "<li class=\"file\">" + html_escape(f.name) + " (" + size_text(f.size) + ")</li>\n";
  if (folders.empty() && files.empty()) out += "<li>回收站是空的</li>\n";
  return out + "</ul>\n</div>\n" + kTail;
}

std::string share_file_page(const StoredFile& file, const std::string& frame_query) {
  return head(file.name + " - Quarrow") +
         "<div class=\"d\">\n<div class=\"b\"><span>" + html_escape(file.name) +
         "</span></div>\n<div class=\"d2\">"
         "<span class=\"p7\">文件大小：</span>" +
         size_text(file.size) + "<br><span class=\"p7\">上传时间：</span>" + date_text(file.created) +
         "<br><span class=\"p7\">分享用户：</span>" + html_escape(file.owner) +
         "<br><span class=\"p7\">文件描述：</span>" + html_escape(file.des) +
         "<br></div>\n"
         "<iframe class=\"ifr2\" name=\"ifr2\" src=\"/fn?" +
         frame_query + "\" frameborder=\"0\" scrolling=\"no\"></iframe>\n</div>\n" + kTail;
}

std::string share_password_page(const StoredFile& file, const std::string& sign) {
  return head(file.name + " - Quarrow") +
         "<div class=\"passwdinput\"><input type=\"text\" id=\"pwd\" placeholder=\"输入密码\">"
         "<input type=\"button\" id=\"sub\" value=\"提交\" onclick=\"down_p()\"></div>\n"
         "<div class=\"n_box\"><div class=\"n_file\"><div class=\"n_filesize\">大小：" +
         size_text(file.size) + "</div><div class=\"n_file_info\">" + date_text(file.created) +
         "</div></div></div>\n"
         "<script type=\"text/javascript\">\n"
         "function down_p(){\n"
         "\tvar pwd = document.getElementById('pwd').value;\n"
         "\t$.ajax({\n"
         "\t\ttype : 'post',\n"
         "\t\turl : '/ajaxm.php',\n"
         "\t\tdata : 'action=downprocess&sign=" +
         sign +
         "&p='+pwd,\n"
         "\t\tdataType : 'json',\n"
         "\t\tsuccess:function(msg){ if (msg.zt == 1) { location.href = msg.dom + '/file/' + msg.url; } }\n"
         "\t});\n"
         "}\n"
         "</script>\n" +
         kTail;
}

std::string share_frame_page(const std::string& sign) {
  return head("下载") +
         "<div id=\"go\"><a href=\"javascript:;\" onclick=\"down_p()\">普通下载</a></div>\n"
         "<script type=\"text/javascript\">\n"
         "function down_p(){\n"
         "\t$.ajax({\n"
         "\t\ttype : 'post',\n"
         "\t\turl : '/ajaxm.php',\n"
         "\t\tdata : { 'action':'downprocess','sign':'" +
         sign +
         "','p':'' },\n"
         "\t\tdataType : 'json',\n"
         "\t\tsuccess:function(msg){ if (msg.zt == 1) { location.href = msg.dom + '/file/' + msg.url; } }\n"
         "\t});\n"
         "}\n"
         "</script>\n" +
         kTail;
}

std::string share_folder_page(const Folder& folder, int64_t uid, const std::string& t, const std::string& k,
                              const std::vector<StoredFile>& files) {
  std::string out = head(folder.name + " - Quarrow") + "<div class=\"user-title\">" + html_escape(folder.name) +
                    "</div>\n<div class=\"user-radio\">" + html_escape(folder.des) + "</div>\n";
  if (folder.onof) {
    out += "<div id=\"pwdload\"><input type=\"text\" id=\"pwd\" placeholder=\"请输入密码\">"
           "<input type=\"button\" id=\"sub\" value=\"提交\" onclick=\"file()\"></div>\n";
  } else {
    out += "<div id=\"infos\">\n";
    for (const auto& f : files)
      out += "<div class=\"f\"><a href=\"/" + f.key + "\">" + html_escape(f.name) + "</a> " + size_text(f.size) +
             "</div>\n";
    out += "</div>\n";
  }
  out += "<script type=\"text/javascript\">\n"
         "var pgs;\n"
         "var ib8t = '" + t + "';\n"
         "var kb3k = '" + k + "';\n"
         "pgs =1;\n"
         "function file(){\n"
         "\tvar pwd = document.getElementById('pwd') ? document.getElementById('pwd').value : '';\n"
         "\t$.ajax({\n"
         "\t\ttype : 'post',\n"
         "\t\turl : '/folderlist.php',\n"
         "\t\tdata : { 'lx':2,'fid':" + std::to_string(folder.id) + ",'uid':'" + std::to_string(uid) +
         "','pg':pgs,'rep':'0','t':ib8t,'k':kb3k,'up':1,'ls':1,'pwd':pwd },\n"
         "\t\tdataType : 'json',\n"
         "\t\tsuccess:function(msg){ pgs++; }\n"
         "\t});\n"
         "}\n"
         "</script>\n";
  return out + kTail;
}

std::string share_missing_page() {
  return head("文件取消分享了 - Quarrow") + "<div class=\"off\">来晚啦...文件取消分享了</div>\n" + kTail;
}

}  // namespace qs
